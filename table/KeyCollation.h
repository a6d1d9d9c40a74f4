// Keys in index form: the machine, general-collation and numeric forms of a key, the key
// comparison with its pad byte, and the high-nibble rule of stored general-collation keys.
// The tables and rules are described in doc/cdx_format.md ("Keys in index form").
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// How a tag's keys are formed and compared.
enum class HKeyKind {
    Machine,  // character keys, machine collation (and the tag directory)
    General,  // character keys, general collation (weights)
    Numeric,  // numeric and date keys: 8 bytes
};

struct HKeyShape {
    int keyLength = 10;
    HKeyKind kind = HKeyKind::Machine;
};

// The general-collation tables, exactly as stored files expect them.
const std::array<uint8_t, 256>& GeneralPrimaryWeights();
const std::array<uint8_t, 256>& GeneralSecondaryCodes();
// Expansion table: 26 meaningful bytes, the rest zero.
const std::array<uint8_t, 32>& GeneralExpansion();

// Each form also comes as a function that replaces the contents of `out`, so that a caller
// making one key per record reuses one buffer. `text` must not point into `out`.

// `text` without its trailing blanks (and trailing NULs too when `nulsToo`).
std::string_view TrimTrailing(std::string_view text, bool nulsToo);

// Text with trailing blanks and NULs removed, cut to `keyLength`.
std::string MachineKeyForm(std::string_view text, int keyLength);
void MachineKeyForm(std::string_view text, int keyLength, std::string& out);
// Primary weights, then the secondary codes (trailing 0xF0 removed), cut to `keyLength`.
std::string GeneralKeyForm(std::string_view text, int keyLength);
void GeneralKeyForm(std::string_view text, int keyLength, std::string& out);
// All 8 bytes of the order-preserving form of the number in `text` (blank or unreadable
// text counts as 0). Stored leaves drop its trailing zero bytes through the trailing count.
std::string NumericKeyForm(std::string_view text);
std::string NumericKeyForm(double value);
void NumericKeyForm(std::string_view text, std::string& out);
void NumericKeyForm(double value, std::string& out);
// The form that `shape` asks for.
std::string ToIndexForm(std::string_view text, const HKeyShape& shape);
void ToIndexForm(std::string_view text, const HKeyShape& shape, std::string& out);

// Number of leading bytes `a` and `b` have in common.
size_t CommonPrefixLength(std::string_view a, std::string_view b);

// Pad byte of comparisons: 0x20 machine, 0x00 general and numeric. A general-collation key thus
// sorts before the longer keys it begins, as a tag build orders them, whatever weight follows
// (the sharp s and control characters weigh less than a blank).
uint8_t ComparePad(HKeyKind kind);
// Pad byte of interior entries on disk: 0x20 for character tags, 0x00 numeric.
uint8_t StoragePad(HKeyKind kind);

// Unsigned byte comparison over the longer length, the shorter key padded with `pad`.
// Returns <0, 0, >0.
int CompareKeys(std::string_view a, std::string_view b, uint8_t pad);

// Length of `key` without the trailing bytes a leaf records as its trailing count: blanks
// and NULs for machine keys, NULs for numeric keys, none for general keys.
size_t OwnKeyLength(std::string_view key, HKeyKind kind);

// High-nibble rule of general-collation tags: the trailing run of bytes >= 0xF0 of a stored
// key part (secondary codes, 0xF0 to 0xF8) loses its high nibble; on decoding, the trailing run
// of bytes <= 0x08 (never the key's first byte) gets it back. A primary weight below 0x10 (the
// sharp s, 0x0C) is stored as it is and ends the run.
void ClearHighNibbleRun(std::string& part);
void ClearHighNibbleRun(uint8_t* part, size_t length);
void RestoreHighNibbleRun(std::string& key);
