// ANSEL (ANSI/NISO Z39.47) as GEDCOM files use it. Bytes 0x00-0x7F are ASCII; the table gives
// the code point of each byte 0x80-0xFF (U+FFFD where ANSEL defines none). The bytes whose
// code points are combining marks come before the letter they modify.
#pragma once

namespace gedcom {

// Indexed by byte - 0x80.
extern const char32_t kAnselUpperHalf[128];

}  // namespace gedcom
