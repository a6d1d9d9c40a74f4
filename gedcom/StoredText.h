// The Windows-1252 form in which the lookup table stores text, so that other xBase tools read
// it, and in which typed search text is compared with it.
#pragma once

#include <string>
#include <string_view>

#include "gedcom/TextDecoding.h"

namespace gedcom {

// Converts UTF-8 text to the table's Windows-1252 form. The text is composed (canonical
// composition) first; then each character
// - that Windows-1252 has stays (U+0081, U+008D, U+008F, U+0090 and U+009D become the bytes of
//   the same value), except Š š Ž ž Œ œ, which become S s Z z OE oe: the keys' upper-casing
//   and collation would file them among other letters or before every letter;
// - ł Ł đ Đ ħ Ħ ı ĸ ŀ Ŀ ŧ Ŧ, which have no decomposition, become l L d D h H i k l L t T;
// - otherwise becomes its canonical decomposition without its combining marks when all that
//   is left is in Windows-1252 ("ř" is "r"); a combining mark on its own is dropped;
// - anything else becomes one "?" (as does each ill-formed UTF-8 sequence).
// ASCII text comes back unchanged. Throws std::runtime_error when ICU's data cannot be loaded.
std::string ToStoredText(std::string_view utf8);

// One line of a file read with `decoding`, in the table's form: DecodeLine, then ToStoredText.
// Returns `line` itself when it is ASCII; otherwise the converted text, which lives in
// `scratch`.
std::string_view StoredLine(TextDecoding decoding, std::string_view line, std::string& scratch);

}  // namespace gedcom
