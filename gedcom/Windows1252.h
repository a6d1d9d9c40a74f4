// Conversions between UTF-8 and the Windows-1252 ("ANSI") bytes of the engine and the models,
// for code without Qt (the command-line tool). The widgets convert with widgets/AnsiText.h;
// both map every byte the same way.
#pragma once

#include <string>
#include <string_view>

namespace gedcom {

// Converts UTF-8 text to Windows-1252 bytes. Each character that Windows-1252 cannot hold
// (a character beyond the Basic Multilingual Plane counts as one) becomes one '?', and so does
// each invalid UTF-8 sequence (every maximal ill-formed part counts once). U+0081, U+008D,
// U+008F, U+0090 and U+009D become the bytes of the same value. Throws std::runtime_error
// when the converters cannot be opened.
std::string Utf8ToWindows1252(std::string_view utf8);

// Converts Windows-1252 bytes to UTF-8. Every byte is one character; the five bytes that
// Windows-1252 leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+0081 ..., so
// Utf8ToWindows1252(Windows1252ToUtf8(bytes)) == bytes for all input. Throws
// std::runtime_error when the converters cannot be opened.
std::string Windows1252ToUtf8(std::string_view bytes);

}  // namespace gedcom
