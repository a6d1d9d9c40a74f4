// Line tests shared by the person model and the notes collection. A GEDCOM line is recognised
// by the first characters of its blank-trimmed, upper-cased form ("1 FAMC", "2 DATE", ...),
// never by a general tokenizer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace person {

// The blank-trimmed form of `line` with the letters a to z upper-cased, used for every tag
// test. Other bytes are kept, so a UTF-8 line gives a UTF-8 key.
std::string LineKey(std::string_view line);

// True when the key of a line begins with `tag` (for example "1 FAMS" or "1 SEX ").
bool HasTag(std::string_view key, std::string_view tag);

// The value of a tagged UTF-8 line: the blank-trimmed line from its 7th character on, at most
// `maxLength` characters, blank-trimmed again. "2 DATE  1 JUL 1862" gives "1 JUL 1862".
std::string TagValue(std::string_view line, size_t maxLength);

// True when the blank-trimmed line begins with the level digit `level` ('0', '1', ...).
bool HasLevel(std::string_view line, char level);

}  // namespace person
