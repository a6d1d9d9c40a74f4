#include "table/KeyCollation.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

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

TEST(CompareKeysTest, GeneralKeySortsBeforeTheLongerKeysItBegins) {
    const uint8_t pad = ComparePad(HKeyKind::General);
    const std::string surname = GeneralKeyForm("ISMITH", 142);
    const std::string full = GeneralKeyForm("ISMITH, JOHN", 142);
    EXPECT_LT(CompareKeys(surname, full, pad), 0);
    EXPECT_GT(CompareKeys(surname, full, 0x20), 0);  // why a blank pad is wrong here
    // Weights below a blank's: the sharp s (0x0C), the Z caron and control characters (0x10).
    EXPECT_LT(CompareKeys(GeneralKeyForm("IWEI", 142), GeneralKeyForm("IWEI\xDF", 142), pad), 0);
    EXPECT_LT(CompareKeys(GeneralKeyForm("I", 142), GeneralKeyForm("I\x8EI\x8E", 142), pad), 0);
    EXPECT_LT(CompareKeys(GeneralKeyForm("I", 142), GeneralKeyForm("I\tX", 142), pad), 0);
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
    // A key ending in the sharp s keeps its primary weight; secondary codes after it come back.
    std::string weiss = GeneralKeyForm("WEI\xDF", 142);
    ASSERT_EQ(static_cast<uint8_t>(weiss.back()), 0x0C);
    std::string stored = weiss;
    ClearHighNibbleRun(stored);
    RestoreHighNibbleRun(stored);
    EXPECT_EQ(stored, weiss);
    std::string accented = GeneralKeyForm("M\xDC\xDF", 142);  // MÜß: 6F 78 0C F4
    stored = accented;
    ClearHighNibbleRun(stored);
    EXPECT_EQ(stored, B({0x6F, 0x78, 0x0C, 0x04}));
    RestoreHighNibbleRun(stored);
    EXPECT_EQ(stored, accented);
}

TEST(OwnKeyLengthTest, ByKind) {
    EXPECT_EQ(OwnKeyLength("AB  ", HKeyKind::Machine), 2u);
    EXPECT_EQ(OwnKeyLength(B({0xBF, 0xF0, 0, 0}), HKeyKind::Numeric), 2u);
    EXPECT_EQ(OwnKeyLength(B({0x60, 0x20}), HKeyKind::General), 2u);
}


// The general key form worked out byte by byte from the public tables, with nothing
// precomputed: what GeneralKeyForm must give for every text.
std::string ReferenceGeneralKeyForm(std::string_view text, int keyLength) {
    const auto& primaryTable = GeneralPrimaryWeights();
    const auto& secondaryTable = GeneralSecondaryCodes();
    const auto& expansion = GeneralExpansion();
    auto expansionAt = [&expansion](int i) -> uint8_t {
        return i >= 0 && i < static_cast<int>(expansion.size()) ? expansion[i] : 0;
    };
    size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ') --n;
    std::vector<uint8_t> primaries, secondaries;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t c = static_cast<uint8_t>(text[i]);
        const uint8_t p = primaryTable[c];
        const uint8_t s = secondaryTable[c];
        const bool expands = p == 0x00 || p == 0x06 || p == 0x12 || p == 0x18;
        if (expands && expansionAt(p + 1) != 0) {
            primaries.push_back(expansionAt(p + 2));
            primaries.push_back(expansionAt(p + 4));
        } else {
            primaries.push_back(p);
        }
        if (s == 0x80) {
            if (expansionAt(p + 3) != 0) secondaries.push_back(static_cast<uint8_t>(expansionAt(p + 3) | 0xF0));
            if (expansionAt(p + 5) != 0) secondaries.push_back(static_cast<uint8_t>(expansionAt(p + 5) | 0xF0));
        } else if (s != 0) {
            secondaries.push_back(static_cast<uint8_t>(s | 0xF0));
        }
    }
    while (!secondaries.empty() && secondaries.back() == 0xF0) secondaries.pop_back();
    std::string out;
    for (uint8_t w : primaries) out += static_cast<char>(w);
    for (uint8_t w : secondaries) out += static_cast<char>(w);
    if (keyLength >= 0 && out.size() > static_cast<size_t>(keyLength)) out.resize(static_cast<size_t>(keyLength));
    return out;
}

const int kKeyLengths[] = {-1, 0, 1, 2, 3, 4, 7, 10, 40, 142, 240};

// Both forms of GeneralKeyForm against the reference; the buffer form gets a buffer that
// holds an older, longer key.
void ExpectGeneralMatchesReference(const std::string& text) {
    std::string buffer;
    for (int keyLength : kKeyLengths) {
        const std::string expected = ReferenceGeneralKeyForm(text, keyLength);
        ASSERT_EQ(GeneralKeyForm(text, keyLength), expected)
            << "text of " << text.size() << " bytes, key length " << keyLength;
        buffer.assign(300, '\x7F');
        GeneralKeyForm(text, keyLength, buffer);
        ASSERT_EQ(buffer, expected)
            << "text of " << text.size() << " bytes, key length " << keyLength;
    }
}

TEST(GeneralCollation, EverySingleByteMatchesReference) {
    for (int c = 0; c < 256; ++c) ExpectGeneralMatchesReference(std::string(1, static_cast<char>(c)));
}

TEST(GeneralCollation, EveryPairOfBytesMatchesReference) {
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            const std::string text{static_cast<char>(a), static_cast<char>(b)};
            for (int keyLength : {-1, 1, 2, 3}) {
                ASSERT_EQ(GeneralKeyForm(text, keyLength),
                          ReferenceGeneralKeyForm(text, keyLength))
                    << a << ' ' << b << ' ' << keyLength;
            }
        }
}

TEST(GeneralCollation, RandomTextsMatchReference) {
    std::mt19937 random(20240611);
    const std::string plain = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 ";
    const std::string accented = "\xC0\xC1\xC4\xC6\xC7\xC9\xD1\xD6\xDC\xDF\xDE\xE9\xF1\xFF\x8A\x8C";
    auto pick = [&random](size_t n) { return static_cast<size_t>(random() % n); };
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        const size_t length = pick(301);
        // Some texts are all plain, some have now and then an accented or other byte, some
        // are any bytes at all.
        const int mix = static_cast<int>(pick(4));
        for (size_t i = 0; i < length; ++i) {
            const size_t roll = pick(100);
            if (mix == 3)
                text += static_cast<char>(pick(256));
            else if (mix == 0 || roll < 90)
                text += plain[pick(plain.size())];
            else if (roll < 95)
                text += accented[pick(accented.size())];
            else
                text += static_cast<char>(pick(256));
        }
        if (pick(2) == 0) text.append(pick(20), ' ');  // trailing blanks, as fields have them
        ExpectGeneralMatchesReference(text);
        const int anyLength = static_cast<int>(pick(2 * length + 2));
        ASSERT_EQ(GeneralKeyForm(text, anyLength), ReferenceGeneralKeyForm(text, anyLength));
    }
}

TEST(GeneralCollation, LongTextsMatchReference) {
    // Longer than the stack buffers of the general loop.
    std::string plain, mixed;
    for (int i = 0; i < 1200; ++i) {
        plain += static_cast<char>('A' + i % 26);
        mixed += static_cast<char>(i % 7 == 0 ? 0xC9 : 'a' + i % 26);
    }
    ExpectGeneralMatchesReference(plain);
    ExpectGeneralMatchesReference(mixed);
    ExpectGeneralMatchesReference(plain + "\xC6");
}

TEST(KeyForms, BufferFormsGiveTheReturnedForms) {
    const std::string texts[] = {"",       "   ",      "GEDF  ",         std::string("AB\0 ", 4),
                                 " 12.5 ", "-3",       "abc",            std::string(100, '7'),
                                 "\xC9t\xC9", "Smith, John"};
    std::string buffer;
    for (const std::string& text : texts) {
        for (int keyLength : kKeyLengths) {
            buffer.assign(200, '\x01');
            MachineKeyForm(text, keyLength, buffer);
            EXPECT_EQ(buffer, MachineKeyForm(text, keyLength));
            for (HKeyKind kind : {HKeyKind::Machine, HKeyKind::General, HKeyKind::Numeric}) {
                buffer.assign(5, '\x01');
                ToIndexForm(text, {keyLength, kind}, buffer);
                EXPECT_EQ(buffer, ToIndexForm(text, {keyLength, kind}));
            }
        }
        buffer.assign(200, '\x01');
        NumericKeyForm(text, buffer);
        EXPECT_EQ(buffer, NumericKeyForm(text));
    }
    EXPECT_EQ(ToIndexForm("AB  ", {10, HKeyKind::Machine}), "AB");
    EXPECT_EQ(ToIndexForm("AB  ", {10, HKeyKind::General}), B({0x60, 0x61}));
    EXPECT_EQ(ToIndexForm(" 1", {8, HKeyKind::Numeric}), NumericKeyForm(1.0));
    buffer = "old";
    NumericKeyForm(-1.0, buffer);
    EXPECT_EQ(buffer, B({0x40, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}


TEST(MachineCollation, LongTrailingRunsOfBlanksAndNuls) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 12, 'x');
        for (size_t n = random() % 40; n > 0; --n) text += random() % 5 == 0 ? '\0' : ' ';
        size_t keep = text.size();
        while (keep > 0 && (text[keep - 1] == ' ' || text[keep - 1] == '\0')) --keep;
        ASSERT_EQ(MachineKeyForm(text, -1), text.substr(0, keep)) << round;
        size_t general = text.size();
        while (general > 0 && text[general - 1] == ' ') --general;
        ASSERT_EQ(GeneralKeyForm(text, -1), ReferenceGeneralKeyForm(text, -1)) << round;
        ASSERT_EQ(GeneralKeyForm(text, -1).size(), general) << round;  // NULs keep a weight
    }
}

}  // namespace
