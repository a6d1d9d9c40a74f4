#include "gedcom/Windows1252.h"

#include <string>

#include <gtest/gtest.h>

namespace gedcom {
namespace {

TEST(Windows1252Test, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string utf8 = Windows1252ToUtf8(all);
    EXPECT_EQ(Utf8ToWindows1252(utf8), all);
    // ASCII stays; 0x80..0xFF take two or three bytes each.
    EXPECT_EQ(utf8.substr(0, 128), all.substr(0, 128));
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(one)), one) << b;
    }
}

TEST(Windows1252Test, LettersAndSignsMapToTheirCharacters) {
    EXPECT_EQ(Windows1252ToUtf8("M\xFCller"), "M\xC3\xBCller");  // u diaeresis
    EXPECT_EQ(Windows1252ToUtf8("\x8A"), "\xC5\xA0");            // S caron
    EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC");        // euro sign
    EXPECT_EQ(Windows1252ToUtf8("\x9F"), "\xC5\xB8");            // Y diaeresis
    EXPECT_EQ(Utf8ToWindows1252("M\xC3\xBCller \xC5\xA0 \xE2\x82\xAC \xC5\xB8"),
              "M\xFCller \x8A \x80 \x9F");
}

TEST(Windows1252Test, UnassignedBytesAreTheC1ControlsOfTheSameValue) {
    EXPECT_EQ(Windows1252ToUtf8(std::string("\x81\x8D\x8F\x90\x9D", 5)),
              "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(Utf8ToWindows1252("\xC2\x81\xC2\x9D"), "\x81\x9D");
}

TEST(Windows1252Test, UnmappableCharactersBecomeOneQuestionMarkEach) {
    // CJK, an emoji (a surrogate pair in UTF-16), the replacement character, fullwidth A.
    EXPECT_EQ(Utf8ToWindows1252("a\xE4\xB8\x80"
                                "b\xF0\x9F\x98\x80"
                                "c\xEF\xBF\xBD\xEF\xBC\xA1"),
              "a?b?c??");
}

TEST(Windows1252Test, InvalidUtf8BecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToWindows1252("x\xFFy"), "x?y");
    EXPECT_EQ(Utf8ToWindows1252("x\xC3 y"), "x? y");  // lead byte without its trail
    EXPECT_EQ(Utf8ToWindows1252("x\xC3"), "x?");      // truncated at the end
    EXPECT_EQ(Utf8ToWindows1252("\x80"), "?");        // stray trail byte
}

TEST(Windows1252Test, EmptyAndLongTextsConvert) {
    EXPECT_EQ(Utf8ToWindows1252(""), "");
    EXPECT_EQ(Windows1252ToUtf8(""), "");
    // Longer than the converters' buffers.
    std::string bytes;
    for (int i = 0; i < 5000; ++i) bytes += static_cast<char>(0x80 + i % 128);
    EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(bytes)), bytes);
}

}  // namespace
}  // namespace gedcom
