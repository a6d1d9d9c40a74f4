#include "table/CharServices.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

TEST(CharServicesTest, AsciiPassesThroughBothConversions) {
    for (int c = 0; c < 128; ++c) {
        EXPECT_EQ(OemToAnsiChar(static_cast<unsigned char>(c)), c);
        EXPECT_EQ(AnsiToOemChar(static_cast<unsigned char>(c)), c);
    }
}

TEST(CharServicesTest, OemLettersBecomeTheirAnsiLetters) {
    // e acute, u diaeresis, A ring, n tilde, sharp s, pound sign, non-breaking space
    std::string line = "Jos\x82 M\x81ller \x8F\x86 Pe\xA4\x61 Stra\xE1\x65 \x9C\xFF";
    OemToAnsi(line.data(), line.size());
    EXPECT_EQ(line, "Jos\xE9 M\xFCller \xC5\xE5 Pe\xF1\x61 Stra\xDF\x65 \xA3\xA0");
}

TEST(CharServicesTest, OemGraphicsBecomePrintableAnsi) {
    std::string box = "\xDA\xC4\xBF\xB3\xB0\xE3";
    OemToAnsi(box.data(), box.size());
    EXPECT_EQ(box, "+-+|#p");
}

TEST(CharServicesTest, AnsiLettersThatOemHasRoundTrip) {
    // Every OEM letter that maps to a distinct ANSI letter comes back unchanged.
    int roundTrips = 0;
    for (int c = 0x80; c < 0xB0; ++c) {
        unsigned char ansi = OemToAnsiChar(static_cast<unsigned char>(c));
        if (ansi < 0x80 || c == 0x9E || c == 0xA9) continue;  // peseta and reversed not: best fits
        EXPECT_EQ(AnsiToOemChar(ansi), c) << std::hex << c;
        ++roundTrips;
    }
    EXPECT_GT(roundTrips, 40);
}

TEST(CharServicesTest, AnsiAccentsMissingFromOemLoseTheirAccent) {
    std::string text = "\xC0\xC3\xCA\xD5\xE3\xF5\x8A\x9A\x93\x94\x96";
    AnsiToOem(text.data(), text.size());
    EXPECT_EQ(text, "AAEOao\x53s\"\"-");
}

TEST(CharServicesTest, AnsiUpperHandlesAccentsButNotDivisionSign) {
    EXPECT_EQ(AnsiUpper("smith \xE9mile \xF7 \xFF\x9A\x9C\x9E \xDF"),
              "SMITH \xC9MILE \xF7 \x9F\x8A\x8C\x8E \xDF");
}
