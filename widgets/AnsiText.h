// The one conversion point between the 8-bit text of the engine and the models (Windows-1252
// bytes held in std::string) and the Unicode text of widgets.
#pragma once

#include <string>
#include <string_view>

#include <QString>

// Converts Windows-1252 bytes to Unicode. Every byte maps to exactly one character; the five
// bytes that Windows-1252 leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control
// characters with the same code (U+0081 ...), so ToAnsi(FromAnsi(bytes)) == bytes for all input.
QString FromAnsi(std::string_view ansi);

// Converts Unicode to Windows-1252 bytes. Each character that Windows-1252 cannot hold (a
// surrogate pair counts as one character) becomes one '?'.
std::string ToAnsi(const QString& text);
