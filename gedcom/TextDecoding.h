// How the lines of a GEDCOM file become Unicode text. Each file is decoded by its own character
// set, decided once from its start and its header record; the person model and the views see
// UTF-8, and the lookup-table builder converts that to the table's Windows-1252 (StoredText.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace gedcom {

enum class TextDecoding : uint8_t {
    // A line that is valid UTF-8 is UTF-8; any other line is Windows-1252, whose five
    // unassigned bytes stand for the C1 controls of the same number. Files that declare ANSI,
    // UTF-8, UNICODE or nothing, files with a UTF-8 byte-order mark and UTF-16 files (the line
    // stream hands out their lines as UTF-8) are read this way.
    Utf8,
    CodePage437,  // IBM PC
    Ansel,        // combining marks, which ANSEL puts before their letter, moved after it
    MacRoman,
};

// The decoding of the file at `path`: a byte-order mark decides first; otherwise the header's
// character set (DetectCharacterSet): IBMPC code page 437, ANSEL ANSEL, MAC Mac OS Roman,
// anything else Utf8. Throws std::runtime_error when the file cannot be opened or read.
TextDecoding ChooseTextDecoding(const std::string& path);

// A short English name: "UTF-8", "IBM PC", "ANSEL", "Macintosh".
const char* TextDecodingName(TextDecoding decoding);

// The number of bytes below 0x80 at the start of `text`.
size_t AsciiPrefixLength(std::string_view text);

// True when every byte of `text` is below 0x80; such text is the same in every decoding.
inline bool IsAscii(std::string_view text) { return AsciiPrefixLength(text) == text.size(); }

// Decodes one line as the line stream hands it out to UTF-8. Returns `line` itself when it
// reads the same in UTF-8 (ASCII, or valid UTF-8 under Utf8); otherwise the decoded text,
// which lives in `scratch`. ANSEL lines come out in canonical composition ("e" + acute is
// "é"). The result is always valid UTF-8. Throws std::runtime_error when ICU's data cannot be
// loaded.
std::string_view DecodeLine(TextDecoding decoding, std::string_view line, std::string& scratch);

// DecodeLine into a string of its own.
std::string DecodedLine(TextDecoding decoding, std::string_view line);

}  // namespace gedcom
