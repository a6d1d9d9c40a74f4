#include "person/Narrative.h"

#include <string>
#include <vector>

#include "person/PersonTestFile.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

Lines NarrativeOf(const std::string& gedcom, const char* pointer) {
    TPersonTestFile file(gedcom);
    TGedcomPerson person(TPersonKind::pkMain, file.Table());
    person.LoadByPointer(pointer);
    Lines lines{"left over"};
    BuildNarrative(person, lines);
    return lines;
}

TEST(DisplayNameTest, SurnameGoesLast) {
    EXPECT_EQ(DisplayName("Smith, John William"), "John William Smith");
    EXPECT_EQ(DisplayName("  Smith ,  John  "), "John Smith");
}

TEST(DisplayNameTest, NameWithoutCommaIsUnchanged) {
    EXPECT_EQ(DisplayName("Unknown"), "Unknown");
    EXPECT_EQ(DisplayName(""), "");
}

TEST(DisplayNameTest, EmptyPartsLeaveABlank) {
    EXPECT_EQ(DisplayName(", Ernest Louis"), "Ernest Louis ");
    EXPECT_EQ(DisplayName("Smith, "), " Smith");
}

TEST(DisplayNameTest, OnlyTheFirstCommaSplits) {
    EXPECT_EQ(DisplayName("Smith, John, Jr"), "John, Jr Smith");
}

TEST(BornTextTest, DateAndPlaceCombinations) {
    TPersonTestFile file(GedcomText({"0 @I1@ INDI", "0 TRLR"}));
    TGedcomPerson person(TPersonKind::pkRelative, file.Table());
    EXPECT_EQ(BornText(person), "");
    person.FBirthPlace = "York";
    EXPECT_EQ(BornText(person), "Born York");
    person.FBirthDate = "1900";
    EXPECT_EQ(BornText(person), "Born 1900 York");
    person.FBirthPlace.clear();
    EXPECT_EQ(BornText(person), "Born 1900 ");
    person.FDeathDate = "1950";
    person.FDeathPlace = "Rome";
    EXPECT_EQ(DiedText(person), "Died 1950 Rome");
}

const std::string kNarrativeFile = GedcomText({
    "0 @I1@ INDI",
    "1 NAME John /Smith/",
    "1 SEX M",
    "1 BIRT",
    "2 DATE 1900",
    "2 PLAC Leeds",
    "1 FAMC @F1@",
    "1 FAMS @F2@",
    "1 FAMS @F3@",
    "0 @I2@ INDI",
    "1 NAME Adam /Smith/",
    "1 FAMS @F1@",
    "0 @I3@ INDI",
    "1 NAME Eve /Jones/",
    "1 FAMS @F1@",
    "0 @I4@ INDI",
    "1 NAME Ann /Smith/",
    "1 SEX F",
    "1 DEAT",
    "2 DATE 1910",
    "1 FAMC @F1@",
    "0 @I5@ INDI",
    "1 NAME Bob /Smith/",
    "1 FAMC @F1@",
    "0 @I6@ INDI",
    "1 NAME Mary /Brown/",
    "1 BIRT",
    "2 PLAC Hull",
    "1 FAMS @F2@",
    "0 @I8@ INDI",
    "1 NAME Tom /Smith/",
    "1 BIRT",
    "2 DATE 1926",
    "1 DEAT",
    "2 DATE 1990",
    "2 PLAC Bath",
    "0 @I9@ INDI",
    "1 NAME Sue /Smith/",
    "0 @F1@ FAM",
    "1 HUSB @I2@",
    "1 WIFE @I3@",
    "1 CHIL @I4@",
    "1 CHIL @I1@",
    "1 CHIL @I5@",
    "0 @F2@ FAM",
    "1 HUSB @I1@",
    "1 WIFE @I6@",
    "1 MARR",
    "2 DATE 1925",
    "2 PLAC York",
    "1 CHIL @I8@",
    "1 CHIL @I9@",
    "0 @F3@ FAM",
    "1 HUSB @I1@",
    "1 MARR",
    "2 PLAC  ",
    "0 TRLR",
});

TEST(NarrativeTest, FullNarrative) {
    EXPECT_EQ(NarrativeOf(kNarrativeFile, "I1"),
              (Lines{
                  "John Smith. Born 1900 Leeds. He was the son of Adam Smith and Eve Jones. ",
                  "",
                  "He married Mary Brown 1925 in York. Born Hull. Children of John Smith and "
                  "Mary Brown are:",
                  "",
                  "1. Tom Smith. Born 1926 . Died 1990 Bath. ",
                  "2. Sue Smith. ",
                  "",
                  "He married Unknown. ",
                  "",
                  "",
                  "Siblings of John Smith",
                  "",
                  "1. Ann Smith. Died 1910 . ",
                  "2. Bob Smith. ",
              }));
}

TEST(NarrativeTest, NoParentsNoSpousesNoSiblingsGivesThreeBlankLines) {
    EXPECT_EQ(NarrativeOf(kNarrativeFile, "I9"), (Lines{"Sue Smith. ", "", "", ""}));
}

TEST(NarrativeTest, OnlyMotherKnown) {
    Lines lines = NarrativeOf(
        GedcomText({"0 @I1@ INDI", "1 NAME Kim /Lee/", "1 SEX F", "1 FAMC @F1@", "0 @I2@ INDI",
                    "1 NAME May /Lee/", "0 @F1@ FAM", "1 WIFE @I2@", "1 CHIL @I1@", "0 TRLR"}),
        "I1");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Kim Lee. She was the daughter of May Lee. ");
}

TEST(NarrativeTest, OnlyFatherKnownAndSexUnknown) {
    Lines lines =
        NarrativeOf(GedcomText({"0 @I1@ INDI", "1 NAME Kim /Lee/", "1 SEX U", "1 FAMC @F1@",
                                "0 @I2@ INDI", "1 NAME Al /Lee/", "0 @F1@ FAM", "1 HUSB @I2@",
                                "1 WIFE @I7@", "1 CHIL @I1@", "0 TRLR"}),
                    "I1");
    ASSERT_FALSE(lines.empty());
    // The wife's pointer is not in the file: she is not known, so no " and ".
    EXPECT_EQ(lines[0], "Kim Lee. He was the son of Al Lee. ");
}

TEST(NarrativeTest, UnknownSpouseStillListsChildren) {
    Lines lines = NarrativeOf(
        GedcomText({"0 @I1@ INDI", "1 NAME Ann /Roe/", "1 SEX F", "1 FAMS @F1@", "0 @I2@ INDI",
                    "1 NAME Kid /Roe/", "0 @F1@ FAM", "1 WIFE @I1@", "1 CHIL @I2@", "0 TRLR"}),
        "I1");
    EXPECT_EQ(lines, (Lines{"Ann Roe. ", "",
                            "She married Unknown. Children of Ann Roe and Unknown are:", "",
                            "1. Kid Roe. ", "", "", ""}));
}

TEST(NarrativeTest, UnknownPersonNarrative) {
    EXPECT_EQ(NarrativeOf(kNarrativeFile, "I99"), (Lines{"Unknown. ", "", "", ""}));
}

}  // namespace
