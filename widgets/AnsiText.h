// The one conversion point between the text of the engine and the models and the Unicode text
// of widgets. Two kinds of text reach the widgets: what the tables store (Windows-1252 bytes:
// the names of Select Person and Find Surname, field names) and what the models read from a
// GEDCOM file, decoded by the file's own character set (UTF-8: the person views, the record
// browser, narratives).
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

// Converts UTF-8 text to Unicode; an ill-formed sequence becomes U+FFFD.
QString FromUtf8(std::string_view utf8);

// Converts Unicode to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(const QString& text);
