#include "table/KeyCollation.h"

#include <string>

#include <gtest/gtest.h>

namespace {

std::string B(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s += static_cast<char>(b);
    return s;
}

TEST(GeneralCollation, TablesHoldHandPickedEntries) {
    const auto& p = GeneralPrimaryWeights();
    const auto& s = GeneralSecondaryCodes();
    EXPECT_EQ(p[' '], 0x11);
    EXPECT_EQ(p['\t'], 0x11);
    EXPECT_EQ(p[','], 0x1d);
    EXPECT_EQ(p['0'], 0x56);
    EXPECT_EQ(p['A'], 0x60);
    EXPECT_EQ(p['a'], 0x60);
    EXPECT_EQ(p['Z'], 0x7e);
    EXPECT_EQ(p[0x9F], 0x7d);
    EXPECT_EQ(p[0xB2], 0x58);
    EXPECT_EQ(p[0xD7], 0x54);
    EXPECT_EQ(p[0xF7], 0x55);
    EXPECT_EQ(p[0xFF], 0x7d);
    EXPECT_EQ(s['A'], 0x20);
    EXPECT_EQ(s['B'], 0x00);
    EXPECT_EQ(s[0x8A], 0x28);
    EXPECT_EQ(s[0x9F], 0x24);
    EXPECT_EQ(s[0xC7], 0x27);
    EXPECT_EQ(s[0xDD], 0x21);
    EXPECT_EQ(s[0xFF], 0x24);
    EXPECT_EQ(GeneralExpansion()[20], 0x77);
    EXPECT_EQ(GeneralExpansion()[26], 0x00);
}

TEST(GeneralCollation, PlainLettersGiveOnlyPrimaryWeights) {
    EXPECT_EQ(GeneralKeyForm("Smith, John   ", 142),
              B({0x76, 0x6f, 0x6a, 0x77, 0x69, 0x1d, 0x11, 0x6b, 0x72, 0x69, 0x70}));
    EXPECT_EQ(GeneralKeyForm("ab", 142), GeneralKeyForm("AB", 142));
}

TEST(GeneralCollation, AccentGoesAfterAllPrimaries) {
    // 0xC9 E acute: primary of E, secondary 0x21 with the high nibble set.
    EXPECT_EQ(GeneralKeyForm("\xC9"
                             "A",
                             142),
              B({0x66, 0x60, 0xF1}));
    EXPECT_EQ(GeneralKeyForm("A\xC9", 142), B({0x60, 0x66, 0xF0, 0xF1}));
}

TEST(GeneralCollation, EAcuteSortsAfterEAndBeforeF) {
    const std::string e = GeneralKeyForm("E", 142);
    const std::string eAcute = GeneralKeyForm("\xC9", 142);
    const std::string f = GeneralKeyForm("F", 142);
    EXPECT_LT(CompareKeys(e, eAcute, ComparePad(HKeyKind::General)), 0);
    EXPECT_LT(CompareKeys(eAcute, f, ComparePad(HKeyKind::General)), 0);
}

TEST(GeneralCollation, ExpansionsOfLigaturesThornAndExclamation) {
    EXPECT_EQ(GeneralKeyForm("\xC6", 10), B({0x60, 0x66}));  // AE ligature
    EXPECT_EQ(GeneralKeyForm("\x8C", 10), B({0x72, 0x66}));  // OE ligature
    EXPECT_EQ(GeneralKeyForm("\xDE", 10), B({0x77, 0x69}));  // thorn: T H
    EXPECT_EQ(GeneralKeyForm("!", 10), B({0x77, 0x69}));     // weight 0x12 too
    EXPECT_EQ(GeneralKeyForm("\x82", 10), B({0x18}));        // weight 0x18, no expansion bytes
    EXPECT_EQ(GeneralKeyForm("\xDF", 10), B({0x0c}));        // sharp s: no expansion
    EXPECT_EQ(GeneralKeyForm("\x8A"
                             "B",
                             10),
              B({0x76, 0x61, 0xF8}));  // S caron
}

TEST(GeneralCollation, ResultIsCutToKeyLength) {
    EXPECT_EQ(GeneralKeyForm("ABCDEF", 4).size(), 4u);
    EXPECT_EQ(GeneralKeyForm("\xC9\xC9\xC9", 4), B({0x66, 0x66, 0x66, 0xF1}));
}

TEST(MachineCollation, TrailingBlanksAndNulsRemoved) {
    EXPECT_EQ(MachineKeyForm(std::string("GEDF  \0 ", 8), 10), "GEDF");
    EXPECT_EQ(MachineKeyForm("ABCDEFGHIJKL", 10), "ABCDEFGHIJ");
}

TEST(NumericKeyFormTest, OrderPreservingBytes) {
    EXPECT_EQ(NumericKeyForm(1.0), B({0xBF, 0xF0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(NumericKeyForm(-1.0), B({0x40, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(NumericKeyForm(0.0), B({0x80, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(NumericKeyForm("   "), NumericKeyForm(0.0));
    EXPECT_EQ(NumericKeyForm("abc"), NumericKeyForm(0.0));
    EXPECT_EQ(NumericKeyForm(" 2451545"), NumericKeyForm(2451545.0));
    double values[] = {-1e9, -2.5, -1, -0.001, 0, 0.001, 1, 1.0000001, 2.5, 1e9};
    for (size_t i = 1; i < std::size(values); ++i)
        EXPECT_LT(CompareKeys(NumericKeyForm(values[i - 1]), NumericKeyForm(values[i]), 0), 0)
            << values[i];
}

TEST(CompareKeysTest, ShorterKeyIsPadded) {
    EXPECT_EQ(CompareKeys("AB", "AB  ", 0x20), 0);
    EXPECT_LT(CompareKeys("AB", "AB!", 0x20), 0);
    EXPECT_GT(CompareKeys("AB", B({'A', 'B', 0x10}), 0x20), 0);
    EXPECT_GT(CompareKeys("\xF0", "\x10", 0x20), 0);  // unsigned
    EXPECT_LT(CompareKeys("", "A", 0x20), 0);
}

TEST(CompareKeysTest, GeneralPadMakesWholeSurnameSortFirst) {
    const uint8_t pad = ComparePad(HKeyKind::General);
    const std::string surname = GeneralKeyForm("ISMITH", 142);
    const std::string full = GeneralKeyForm("ISMITH, JOHN", 142);
    EXPECT_LT(CompareKeys(surname, full, pad), 0);
    EXPECT_GT(CompareKeys(surname, full, 0x20), 0);  // why a blank pad is wrong here
}

TEST(HighNibbleRule, ClearsOnlyTheTrailingRun) {
    std::string s = B({0x60, 0xF1, 0x61, 0xF2, 0xF3});
    ClearHighNibbleRun(s);
    EXPECT_EQ(s, B({0x60, 0xF1, 0x61, 0x02, 0x03}));
}

TEST(HighNibbleRule, RestoreNeverTouchesFirstByteOrInnerBytes) {
    std::string s = B({0x02, 0x0C, 0x61, 0x02, 0x03});
    RestoreHighNibbleRun(s);
    EXPECT_EQ(s, B({0x02, 0x0C, 0x61, 0xF2, 0xF3}));
    std::string one = B({0x0C});
    RestoreHighNibbleRun(one);
    EXPECT_EQ(one, B({0x0C}));
}

TEST(OwnKeyLengthTest, ByKind) {
    EXPECT_EQ(OwnKeyLength("AB  ", HKeyKind::Machine), 2u);
    EXPECT_EQ(OwnKeyLength(B({0xBF, 0xF0, 0, 0}), HKeyKind::Numeric), 2u);
    EXPECT_EQ(OwnKeyLength(B({0x60, 0x20}), HKeyKind::General), 2u);
}

}  // namespace
