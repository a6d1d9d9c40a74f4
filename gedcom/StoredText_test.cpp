#include "gedcom/StoredText.h"

#include <random>
#include <string>
#include <vector>

#include "gedcom/Windows1252.h"

#include <gtest/gtest.h>

namespace gedcom {
namespace {

TEST(StoredTextTest, LettersWindows1252HasAreKeptAndOthersLoseTheirMarks) {
    EXPECT_EQ(ToStoredText("Dvořák, Antonín"), "Dvor\xE1k, Anton\xEDn");
    EXPECT_EQ(ToStoredText("Brontë, Hlöðvir Þorfinnsson"), "Bront\xEB, Hl\xF6\xF0vir \xDEorfinnsson");
    EXPECT_EQ(ToStoredText("Nguyễn Thị Ánh"), "Nguyen Thi \xC1nh");
    EXPECT_EQ(ToStoredText("Ștefan Țepeș"), "Stefan Tepes");
    EXPECT_EQ(ToStoredText("ASCII stays, as does \x7F"), "ASCII stays, as does \x7F");
}

TEST(StoredTextTest, SixLettersAreStoredPlainForTheKeysSake) {
    EXPECT_EQ(ToStoredText("Šimek šťastný Žukas žena Œuvre cœur"), "Simek stastn\xFD Zukas zena OEuvre coeur");
}

TEST(StoredTextTest, StrokedLettersBecomeThePlainLetter) {
    EXPECT_EQ(ToStoredText("ł Ł đ Đ ħ Ħ ı ĸ ŀ Ŀ ŧ Ŧ"), "l L d D h H i k l L t T");
    EXPECT_EQ(ToStoredText("Łukasz Wałęsa"), "Lukasz Walesa");
}

TEST(StoredTextTest, DecomposedTextIsComposedFirst) {
    EXPECT_EQ(ToStoredText("Rene\u0301"), "Ren\xE9");
    EXPECT_EQ(ToStoredText("a\u0308\u0304"), "a");  // ǟ is not in Windows-1252
    // A mark with no letter before it is dropped.
    EXPECT_EQ(ToStoredText("\u0301x"), "x");
    EXPECT_EQ(ToStoredText("x \u0327"), "x ");
}

TEST(StoredTextTest, WhatCannotBeWrittenIsOneQuestionMarkPerCharacter) {
    EXPECT_EQ(ToStoredText("Ωμέγα"), "?????");
    EXPECT_EQ(ToStoredText("李小龍"), "???");
    EXPECT_EQ(ToStoredText("a\U0001F600b"), "a?b");
    EXPECT_EQ(ToStoredText("\u01C5"), "?");  // only a compatibility decomposition
    EXPECT_EQ(ToStoredText("bad \xC3 byte"), "bad ? byte");
}

TEST(StoredTextTest, Windows1252SignsAndControlsKeepTheirBytes) {
    EXPECT_EQ(ToStoredText("€ „ † ™ Ÿ"), "\x80 \x84 \x86 \x99 \x9F");
    EXPECT_EQ(ToStoredText("\u0081\u008D\u008F\u0090\u009D"), "\x81\x8D\x8F\x90\x9D");
    EXPECT_EQ(ToStoredText("\u0080\u0082"), "??");  // C1 controls Windows-1252 has not
}

}  // namespace
}  // namespace gedcom

namespace gedcom {
namespace {

// Lines of Latin-1 letters take a shorter way than other text; both must store the same. A
// character that only the full conversion handles ("Ω", stored as "?") sends a line the long
// way without changing the rest of it.
TEST(StoredTextTest, TheShortWayForLatin1LettersStoresWhatTheFullConversionStores) {
    std::mt19937 random(1214);
    const std::vector<std::string> pieces = {"a", "Z", " ", "/", "é", "ß", "ÿ", "À", "\u00A0",
                                             "©", "×", "ñ", "Ø", "~", "0", "\x7F"};
    for (int round = 0; round < 2000; ++round) {
        std::string line;
        const size_t length = random() % 30;
        for (size_t i = 0; i < length; ++i) line += pieces[random() % pieces.size()];
        std::string scratch;
        const std::string shortWay(StoredLine(TextDecoding::Utf8, line, scratch));
        EXPECT_EQ(ToStoredText(line + "Ω"), shortWay + "?") << line;
        EXPECT_EQ(shortWay, Utf8ToWindows1252(line)) << line;
    }
}

// A line that is not UTF-8 is Windows-1252, stored as its own bytes but for the six letters.
TEST(StoredTextTest, LinesThatAreNotUtf8KeepTheirBytesButForTheSixLetters) {
    std::string scratch;
    EXPECT_EQ(StoredLine(TextDecoding::Utf8, "Ren\xE9 \x8A\x9A\x8E\x9E\x8C\x9C \x80\x81\x9F", scratch),
              "Ren\xE9 SsZzOEoe \x80\x81\x9F");
    // The same letters in UTF-8 take the full conversion.
    EXPECT_EQ(StoredLine(TextDecoding::Utf8, "René Šš", scratch), "Ren\xE9 Ss");
    EXPECT_EQ(StoredLine(TextDecoding::Utf8, "Rene\u0301 \u0081", scratch), "Ren\xE9 \x81");
}

}  // namespace
}  // namespace gedcom
