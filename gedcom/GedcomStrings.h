// String routines shared by every GEDCOM reader. They work on byte strings and treat only the
// space character (32) as white space: tabs and other control bytes are data.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gedcom {

// Width of a pointer as a key of the lookup table's POINTER field.
constexpr size_t kPointerKeyWidth = 20;

// Removes leading spaces.
std::string_view TrimLeft(std::string_view text);
// Removes trailing spaces; a string of spaces only becomes empty.
std::string_view TrimRight(std::string_view text);
// TrimRight, then TrimLeft.
std::string_view Trim(std::string_view text);

// True when Trim gives the empty string.
bool IsBlank(std::string_view text);
inline bool NotBlank(std::string_view text) { return !IsBlank(text); }

// The text between the first and the second "@" of `line`, looking at most 99 characters past
// the first one; empty when there is no first or no second "@" in that reach.
// "0 @I12@ INDI" gives "I12".
std::string PointerOf(std::string_view line);

// True when `line`, a blank-trimmed level-0 line with a pointer, starts an individual's
// record: the word after its pointer is INDI in any letter case, whatever the pointer says.
// "0 @P12@ INDI" is an individual, "0 @I1@ FAM" is not.
bool IsIndividualRecord(std::string_view line);

// The first `count` characters of UTF-8 text (all of it when it is shorter); a character is
// never cut in two.
std::string_view Utf8Prefix(std::string_view text, size_t count);

// The characters of UTF-8 text from the `start`th (counted from 0), at most `count` of them.
std::string_view Utf8Substr(std::string_view text, size_t start, size_t count);

// Left-aligns `text` in a field of `width` bytes: pads with spaces on the right and cuts
// whatever lies beyond the width.
std::string PadToWidth(std::string_view text, size_t width);

// True when `line` starts with `prefix`, byte for byte.
inline bool StartsWith(std::string_view line, std::string_view prefix) {
    return line.substr(0, prefix.size()) == prefix;
}

}  // namespace gedcom
