// Small character helpers shared by the line stream and the decoders, on ICU's data.
#pragma once

#include <cstdint>
#include <string>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace gedcom {

// Appends code point `c` to `out` in UTF-8.
inline void AppendUtf8(std::string& out, char32_t c) {
    char bytes[4];
    int32_t length = 0;
    U8_APPEND_UNSAFE(bytes, length, c);
    out.append(bytes, static_cast<size_t>(length));
}

// True for a combining mark (general category M).
inline bool IsCombiningMark(char32_t c) {
    return (U_GET_GC_MASK(static_cast<UChar32>(c)) & U_GC_M_MASK) != 0;
}

}  // namespace gedcom
