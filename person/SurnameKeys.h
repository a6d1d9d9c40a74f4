// How the surname of a stored name shows in the lookup table's NAME keys. A key is "I" followed
// by the stored name, upper-cased by the key expressions' UPPER and put in the general
// collation's index form: the primary weights of every character, then their accent codes
// (0xF0 to 0xF8, the trailing 0xF0 codes dropped). The surname's weights therefore run from the
// key's second byte to the first comma's weight, and its accent codes open the accent part.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
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
    // True for a byte that may make a spelling weigh exactly as another: a byte with a
    // lookalike that is not itself printable ASCII, or one the collation spells out as two
    // letters ("Æ" as A E, "Þ" and "!" as T H). Every pair of spellings that weigh alike holds
    // one.
    bool Mixing(unsigned char c) const { return mixing_[c]; }

    // Reads a surname back from its key: `primaries` are the surname's weights (after "I", up
    // to the comma) and `secondaries` the key's accent codes from the surname's first (codes the
    // key dropped at its end count as 0xF0). Gives the upper-cased surname as SurnameOf makes
    // it, blank-trimmed, and the accent codes it took, or false where a weight does not tell
    // one upper-case byte (a letter spelled out as two, or lookalikes). Exact only where no
    // spelling with a mixing byte shares the key's surname weights.
    bool SpellOut(std::string_view primaries, std::string_view secondaries, std::string* upper,
                  std::string* codes) const;

private:
    std::array<TByteWeights, 256> bytes_;
    std::array<std::vector<uint8_t>, 256> lookalikes_;
    std::array<bool, 256> mixing_{};
    // By primary weight: the one upper-case byte of each accent-code sequence (0 where two
    // bytes weigh alike but differ), and how many codes follow the weight (-1: none of its
    // bytes has a single primary weight).
    struct TSpelling {
        std::string secondaries;
        unsigned char upper;
    };
    std::array<std::vector<TSpelling>, 256> spellings_;
    std::array<int, 256> codeCounts_{};
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

// Where in a table two spellings of a surname may weigh exactly alike. That needs a spelling
// with a byte that has a lookalike outside printable ASCII ("’" beside "'", "‚" beside "E") or
// is spelled out as two letters ("Æ" as A E, "Þ" and "!" as T H); such bytes are rare in
// names. The census holds the surname weights ("I", the surname, the comma, as a key begins)
// of every stored name whose surname has one: only there can the keys not tell spellings
// apart. Made by reading the table file once, and kept for the table files met last (a changed
// file is read again). Its size grows with those rare names only.
struct TNameCensus {
    std::unordered_set<std::string> mixedBlocks;
    // False when the table file could not be read: every block counts as mixed then.
    bool complete = false;
    bool Mixed(std::string_view blockWeights) const {
        return !complete || mixedBlocks.count(std::string(blockWeights)) != 0;
    }
};
std::shared_ptr<const TNameCensus> NameCensus(HTable& table);

}  // namespace surnames
