// How the surname of a stored name shows in the lookup table's NAME keys. A key is "I" followed
// by the stored name, upper-cased by the key expressions' UPPER and put in the general
// collation's index form: the primary weights of every character, then their accent codes
// (0xF0 to 0xF8, the trailing 0xF0 codes dropped). The surname's weights therefore run from the
// key's second byte to the first comma's weight, and its accent codes open the accent part.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class HTable;

namespace surnames {

// What one stored byte adds to a NAME key: one or two primary weights (two where the collation
// expands a letter, Æ as A E) and up to two accent codes.
struct TByteWeights {
    std::string primaries;
    std::string secondaries;
};

// The weights of every byte, the letters' weights and the bytes that weigh exactly alike.
// Derived once from the engine's own upper-casing and key forms.
class TSurnameWeights {
public:
    TSurnameWeights();

    const TByteWeights& Of(unsigned char c) const { return bytes_[c]; }
    // The primary weights and the accent codes `text` adds to a key, in key order.
    std::string Primaries(std::string_view text) const;
    std::string Secondaries(std::string_view text) const;

    uint8_t IndividualWeight() const { return individual_; }  // "I"
    uint8_t CommaWeight() const { return comma_; }
    uint8_t BlankWeight() const { return blank_; }
    // The primary weight of letter 'A' to 'Z'.
    uint8_t LetterWeight(char letter) const { return letters_[static_cast<size_t>(letter - 'A')]; }
    // The letter whose primary weight `weight` is, or '#' for none.
    char LetterOfWeight(uint8_t weight) const;

    // The bytes that add exactly the weights `c` adds but make another surname (another
    // upper-case letter: "‚" beside "E", "’" beside "'"); empty for most bytes.
    const std::vector<uint8_t>& Lookalikes(unsigned char c) const { return lookalikes_[c]; }

private:
    std::array<TByteWeights, 256> bytes_;
    std::array<std::vector<uint8_t>, 256> lookalikes_;
    std::array<uint8_t, 26> letters_{};
    uint8_t individual_ = 0;
    uint8_t comma_ = 0;
    uint8_t blank_ = 0;
};

const TSurnameWeights& SurnameWeights();

// The parts of one NAME key.
struct TNameKey {
    std::string_view primaries;    // up to the first accent code
    std::string_view secondaries;  // the accent codes
    size_t comma;                  // index of the first comma weight in primaries, or npos
};
TNameKey ParseNameKey(std::string_view key);

// True when the accent codes of a key begin with `signature`; codes the key dropped at its end
// count as 0xF0.
bool SignatureMatches(std::string_view keySecondaries, std::string_view signature);

// Which bytes the stored names of a table hold, as far as lookalikes go: a spelling is told
// apart by its keys alone unless a lookalike of one of its bytes occurs in the table. Plain
// printable ASCII counts as present; other bytes are looked up by reading the table file once.
// Kept for the table files met last (a changed file is read again).
struct TNameCensus {
    std::array<bool, 256> present{};
    // True when a lookalike of some byte of `spelling` occurs in the table.
    bool Ambiguous(std::string_view spelling) const;
};
TNameCensus NameCensus(HTable& table);

}  // namespace surnames
