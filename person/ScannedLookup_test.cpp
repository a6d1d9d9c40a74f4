#include "person/ScannedLookup.h"

#include <string>

#include "person/PersonTestFile.h"

#include <gtest/gtest.h>

namespace {

// The stand-in table follows the builder's rows, or the person tests prove nothing.
TEST(ScannedLookupTest, RowsFollowTheBuilderRules) {
    std::string text = GedcomText({"0 HEAD", "1 CHAR ANSI", "0 @I1@ INDI", "1 NAME John /Smith/",
                                   "1 NAME John William /Smith/ Jr", "0 @P7@ INDI",
                                   "1 NAME Pat /Doe/", "0 @I2@ INDI", "1 NAME John Smith",
                                   "0 @I3@ INDI", "0 @F1@ FAM", "1 NAME x /y/", "0 TRLR"});
    TPersonTestFile file(text);
    const auto& rows = file.Table().Rows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].rtype, "I");
    EXPECT_EQ(rows[0].name, "Smith, John William");
    EXPECT_EQ(rows[0].pointer, "I1");
    EXPECT_EQ(rows[0].offset, static_cast<int64_t>(text.find("0 @I1@")));
    // An individual whatever the pointer; a name without slashes is all given names.
    EXPECT_EQ(rows[1].rtype, "I");
    EXPECT_EQ(rows[1].name, "Doe, Pat");
    EXPECT_EQ(rows[2].rtype, "I");
    EXPECT_EQ(rows[2].name, ", John Smith");
    EXPECT_EQ(rows[3].rtype, "R");
    EXPECT_EQ(rows[3].name, "");
    EXPECT_EQ(rows[4].pointer, "F1");
    EXPECT_EQ(rows[4].name, "");
}

TEST(ScannedLookupTest, PointerFindIgnoresLetterCaseAndPadding) {
    TPersonTestFile file(GedcomText({"0 @i1@ INDI", "0 @Fam2@ FAM", "0 TRLR"}));
    TScannedLookup& table = file.Table();
    ASSERT_TRUE(table.SelectTag("POINTER"));
    EXPECT_TRUE(table.FindKey("I1                  "));
    EXPECT_EQ(table.RecNo(), 1);
    EXPECT_TRUE(table.FindKey("FAM2"));
    EXPECT_EQ(table.RecNo(), 2);
    EXPECT_EQ(table.FieldText("POINTER"), "Fam2                ");
    EXPECT_FALSE(table.FindKey("I2"));
}

}  // namespace
