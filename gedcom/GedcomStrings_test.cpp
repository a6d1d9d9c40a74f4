#include "gedcom/GedcomStrings.h"

#include <gtest/gtest.h>

namespace gedcom {
namespace {

TEST(GedcomStringsTest, TrimRemovesSpacesOnlyNeverTabs) {
    EXPECT_EQ(Trim("  1 NAME Ann  "), "1 NAME Ann");
    EXPECT_EQ(Trim("\t1 NAME\t"), "\t1 NAME\t");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_EQ(TrimRight("    "), "");
    EXPECT_TRUE(IsBlank("   "));
    EXPECT_TRUE(IsBlank(""));
    EXPECT_FALSE(IsBlank(" \t "));
    EXPECT_TRUE(NotBlank(" x "));
}

TEST(GedcomStringsTest, PointerOfTakesTheTextBetweenTheFirstTwoAtSigns) {
    EXPECT_EQ(PointerOf("0 @I12@ INDI"), "I12");
    EXPECT_EQ(PointerOf("1 FAMS @F3@"), "F3");
    EXPECT_EQ(PointerOf("0 @@ INDI"), "");
    EXPECT_EQ(PointerOf("0 @I12 INDI"), "");
    EXPECT_EQ(PointerOf("0 HEAD"), "");
}

TEST(GedcomStringsTest, PointerOfLooksNoFurtherThan99CharactersPastTheFirstAtSign) {
    std::string within = "0 @" + std::string(98, 'p') + "@ INDI";
    EXPECT_EQ(PointerOf(within), std::string(98, 'p'));
    std::string edge = "0 @" + std::string(99, 'p') + "@ INDI";  // second "@" is the 100th
    EXPECT_EQ(PointerOf(edge), "");
}

TEST(GedcomStringsTest, PadToWidthPadsAndCuts) {
    EXPECT_EQ(PadToWidth("I12", kPointerKeyWidth), "I12                 ");
    EXPECT_EQ(PadToWidth(std::string(25, 'x'), kPointerKeyWidth), std::string(20, 'x'));
    EXPECT_EQ(PadToWidth("", 3), "   ");
}

}  // namespace
}  // namespace gedcom
