#include "widgets/AnsiText.h"

#include <string>

#include <gtest/gtest.h>

TEST(AnsiTextTest, AsciiPassesThrough) {
    EXPECT_EQ(FromAnsi("Smith, John /1850/"), QStringLiteral("Smith, John /1850/"));
    EXPECT_EQ(ToAnsi(QStringLiteral("Smith, John /1850/")), "Smith, John /1850/");
}

TEST(AnsiTextTest, EmptyText) {
    EXPECT_TRUE(FromAnsi("").isEmpty());
    EXPECT_EQ(ToAnsi(QString()), "");
}

TEST(AnsiTextTest, LatinOneRangeMapsToSameCodePoints) {
    EXPECT_EQ(FromAnsi("M\xFCller \xC9mile \xA0\xFF"),
              QString::fromUtf8("M\u00FCller \u00C9mile \u00A0\u00FF"));
    EXPECT_EQ(ToAnsi(QString::fromUtf8("M\u00FCller \u00C9mile")), "M\xFCller \xC9mile");
}

TEST(AnsiTextTest, HighControlRangeUsesWindowsCharacters) {
    EXPECT_EQ(FromAnsi("\x80\x8A\x8C\x93\x94\x96\x99\x9F"),
              QString::fromUtf8("\u20AC\u0160\u0152\u201C\u201D\u2013\u2122\u0178"));
    EXPECT_EQ(ToAnsi(QString::fromUtf8("\u20AC\u0160\u0152\u201C\u201D\u2013\u2122\u0178")),
              "\x80\x8A\x8C\x93\x94\x96\x99\x9F");
}

TEST(AnsiTextTest, UnassignedBytesMapToSameControlCodes) {
    const QString text = FromAnsi("\x81\x8D\x8F\x90\x9D");
    ASSERT_EQ(text.size(), 5);
    EXPECT_EQ(text.at(0).unicode(), 0x81);
    EXPECT_EQ(text.at(1).unicode(), 0x8D);
    EXPECT_EQ(text.at(2).unicode(), 0x8F);
    EXPECT_EQ(text.at(3).unicode(), 0x90);
    EXPECT_EQ(text.at(4).unicode(), 0x9D);
    EXPECT_EQ(ToAnsi(text), "\x81\x8D\x8F\x90\x9D");
}

TEST(AnsiTextTest, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const QString text = FromAnsi(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(ToAnsi(text), all);
}

TEST(AnsiTextTest, EmbeddedNulIsKept) {
    const std::string bytes("a\0b", 3);
    EXPECT_EQ(FromAnsi(bytes).size(), 3);
    EXPECT_EQ(ToAnsi(FromAnsi(bytes)), bytes);
}

TEST(AnsiTextTest, UnmappableCharactersBecomeQuestionMarks) {
    // C1 controls that Windows-1252 replaced with printable characters, a Greek letter, a CJK
    // ideograph and a character outside the 16-bit range (one '?' for the surrogate pair).
    EXPECT_EQ(ToAnsi(QString::fromUtf8("\u0080\u0082\u009F")), "???");
    EXPECT_EQ(ToAnsi(QString::fromUtf8("a\u03A9b\u4E2Dc")), "a?b?c");
    EXPECT_EQ(ToAnsi(QString::fromUtf8("x\U0001F600y")), "x?y");
}

TEST(AnsiTextTest, LoneSurrogateBecomesQuestionMark) {
    QString text = QStringLiteral("a");
    text.append(QChar(0xD800));
    text.append(QChar('b'));
    EXPECT_EQ(ToAnsi(text), "a?b");
}
