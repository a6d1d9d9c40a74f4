#include "gedcom/TextDecoding.h"

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace gedcom {
namespace {

std::string Utf8Of(char32_t c) {
    std::u32string one(1, c);
    std::string out;
    for (char32_t x : one) {
        if (x < 0x80) {
            out += static_cast<char>(x);
        } else if (x < 0x800) {
            out += static_cast<char>(0xC0 | (x >> 6));
            out += static_cast<char>(0x80 | (x & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (x >> 12));
            out += static_cast<char>(0x80 | ((x >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (x & 0x3F));
        }
    }
    return out;
}

// Every byte of the ANSEL table in the test data decodes to the code point the table names;
// bytes it does not list to U+FFFD.
TEST(TextDecodingTest, AnselBytesDecodeAsTheCharacterSetTableSays) {
    std::ifstream in(std::string(LINEATUM_CHARSETS_DIR) + "/ansel.txt");
    ASSERT_TRUE(in) << "no ansel.txt in " << LINEATUM_CHARSETS_DIR;
    std::map<int, char32_t> listed;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string byte, code;
        std::getline(fields, byte, '\t');
        std::getline(fields, code, '\t');
        listed[std::stoi(byte, nullptr, 16)] = static_cast<char32_t>(std::stoul(code.substr(2), nullptr, 16));
    }
    ASSERT_GT(listed.size(), 60u);
    for (int byte = 0; byte < 0x100; ++byte) {
        if (byte == '\n' || byte == '\r' || byte == 0) continue;
        char32_t want = byte < 0x80 ? static_cast<char32_t>(byte) : 0xFFFD;
        if (auto it = listed.find(byte); it != listed.end()) want = it->second;
        EXPECT_EQ(DecodedLine(TextDecoding::Ansel, std::string(1, static_cast<char>(byte))),
                  Utf8Of(want))
            << "byte " << byte;
    }
}

TEST(TextDecodingTest, AnselMarksMoveAfterTheirLetterAndCompose) {
    // acute + e, caron + r, umlaut + o: "Dvořák" is D v caron-r acute-a k.
    EXPECT_EQ(DecodedLine(TextDecoding::Ansel, "1 NAME Anton\xE2i /Dvo\xE9r\xE2" "ak/"),
              "1 NAME Antoní /Dvořák/");
    // Two marks before one letter keep their order: umlaut, then macron, on "a" is U+01DF.
    EXPECT_EQ(DecodedLine(TextDecoding::Ansel, "\xE8\xE5" "a"), "\u01DF");
    // A mark with no letter after it stays at the end of the line, uncomposed.
    EXPECT_EQ(DecodedLine(TextDecoding::Ansel, "x\xE2"), "x\u0301");
    // Letters of their own: L with stroke, o with stroke, thorn.
    EXPECT_EQ(DecodedLine(TextDecoding::Ansel, "\xA1ukasz \xB2 \xA4"), "Łukasz ø Þ");
}

TEST(TextDecodingTest, Utf8LinesStayAsTheyAreAndOtherLinesAreWindows1252) {
    const std::string valid = "1 NAME Hlöðvir /Þorfinnsson/";
    std::string scratch;
    const std::string_view same = DecodeLine(TextDecoding::Utf8, valid, scratch);
    EXPECT_EQ(same.data(), valid.data()) << "a valid line is handed back without a copy";
    // A stray byte makes the whole line Windows-1252, its valid sequences included.
    EXPECT_EQ(DecodedLine(TextDecoding::Utf8, "Ren\xE9 \xC3\xA9"), "René Ã©");
    // The unassigned bytes are the C1 controls of the same number.
    EXPECT_EQ(DecodedLine(TextDecoding::Utf8, "a\x81z\x9D"), "a\u0081z\u009D");
    EXPECT_EQ(DecodedLine(TextDecoding::Utf8, "\x80 \x8A \x9F"), "€ Š Ÿ");
    // Overlong forms, encoded surrogates and cut sequences are not UTF-8.
    EXPECT_EQ(DecodedLine(TextDecoding::Utf8, "\xC0\xAF"), "À¯");
    EXPECT_EQ(DecodedLine(TextDecoding::Utf8, "\xED\xA0\x80"), "í\u00A0€");
    EXPECT_EQ(DecodedLine(TextDecoding::Utf8, "ab\xC3"), "abÃ");
}

TEST(TextDecodingTest, MacintoshAndIbmPcBytesDecodeByTheirCodePages) {
    EXPECT_EQ(DecodedLine(TextDecoding::MacRoman, "Ren\x8E \x9F \x96 \xBF \xCE \xA5"), "René ü ñ ø Œ •");
    EXPECT_EQ(DecodedLine(TextDecoding::CodePage437, "Ren\x82 \x81 \xA4 \xE1"), "René ü ñ ß");
    // The lower half is ASCII in both, control bytes included.
    EXPECT_EQ(DecodedLine(TextDecoding::CodePage437, std::string("a\x1A\x1C\x7F" "b\x82")),
              std::string("a\x1A\x1C\x7F" "bé"));
}

TEST(TextDecodingTest, EachFileGetsOneDecodingFromItsMarkOrItsHeader) {
    TempDir dir;
    const auto choose = [&](const std::string& bytes) {
        return ChooseTextDecoding(dir.Write("d.ged", bytes));
    };
    EXPECT_EQ(choose("0 HEAD\r\n1 CHAR IBMPC\r\n"), TextDecoding::CodePage437);
    EXPECT_EQ(choose("0 HEAD\r\n1 CHAR ANSEL\r\n"), TextDecoding::Ansel);
    EXPECT_EQ(choose("0 HEAD\r\n1 CHAR MACINTOSH\r\n"), TextDecoding::MacRoman);
    EXPECT_EQ(choose("0 HEAD\r\n1 CHAR ANSI\r\n"), TextDecoding::Utf8);
    EXPECT_EQ(choose("0 HEAD\r\n1 CHAR UTF-8\r\n"), TextDecoding::Utf8);
    EXPECT_EQ(choose("0 HEAD\n1 GEDC\n2 VERS 7.0\n0 TRLR\n"), TextDecoding::Utf8);
    // A byte-order mark wins over what the header says.
    EXPECT_EQ(choose("\xEF\xBB\xBF" "0 HEAD\r\n1 CHAR ANSEL\r\n"), TextDecoding::Utf8);
    EXPECT_EQ(choose(std::string("\xFF\xFE" "0\0 \0H\0E\0A\0D\0", 14)), TextDecoding::Utf8);
    EXPECT_STREQ(TextDecodingName(TextDecoding::Ansel), "ANSEL");
}

}  // namespace
}  // namespace gedcom
