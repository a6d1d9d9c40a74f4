#include "person/TableLookup.h"

#include <string>

#include "gedcom/LookupTableBuilder.h"
#include "person/GedcomPerson.h"
#include "person/PersonTestFile.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace {

// A real lookup table with its index, built from a GEDCOM file by the lookup-table builder
// and opened the way the main window opens it: NAME tag selected.
class TableLookupTest : public ::testing::Test {
protected:
    void Open(const std::string& gedcom) {
        file_ = std::make_unique<TPersonTestFile>(gedcom);
        TSilentBuildProgress progress;
        HTable building;
        HCreateTable creator;
        gedcom::BuildLookupTable(file_->Path(), dir_.File("QBTEST.DBF"), creator, building,
                                 progress);
        table_.SetDBFPath(dir_.Path());
        table_.SetDBFName("QBTEST.DBF");
        table_.SetActive(true);
        ASSERT_TRUE(table_.IndexOpen("\"" + dir_.File("QBTEST.CDX") + "\"", "NAME"));
        table_.First();
    }

    TempDir dir_;
    std::unique_ptr<TPersonTestFile> file_;
    HTable table_;
};

TEST_F(TableLookupTest, FindsArePointerExactNeverPrefixes) {
    Open(GedcomText({"0 HEAD", "0 @I10@ INDI", "1 NAME Ten /Lee/", "0 @I1@ INDI",
                     "1 NAME One /Lee/", "0 TRLR"}));
    TTableLookup lookup(table_);
    ASSERT_TRUE(lookup.SelectTag("POINTER"));
    EXPECT_FALSE(lookup.FindKey("I                   "));
    ASSERT_TRUE(lookup.FindKey("I1                  "));
    EXPECT_EQ(lookup.FieldText("NAME").substr(0, 9), "Lee, One ");
    EXPECT_EQ(lookup.FieldInteger("OFFSET"), 37);
    EXPECT_FALSE(table_.ExactFind());  // the table's own setting is left as it was
    EXPECT_FALSE(lookup.SelectTag("NOSUCHTAG"));
    EXPECT_TRUE(lookup.SelectTag("NAME"));
}

TEST_F(TableLookupTest, PersonLoadsThroughTheRealTableWithLowerCaseIdentifiers) {
    Open(GedcomText({"0 HEAD", "0 @i1@ INDI", "1 NAME Ann /Lee/", "1 FAMC @f1@", "0 @i2@ INDI",
                     "1 NAME Bob /Lee/", "1 FAMS @f1@", "0 @i3@ INDI", "1 NAME Cat /Lee/",
                     "1 FAMC @f1@", "0 @f1@ FAM", "1 HUSB @i2@", "1 CHIL @i1@", "1 CHIL @i3@",
                     "0 TRLR"}));
    TTableLookup lookup(table_);
    TGedcomPerson person(TPersonKind::pkMain, lookup);
    person.LoadByPointer("i1");
    // Pointers that do not begin with a capital I carry no sortable name; the records are
    // still found. The family lines are read upper-cased ("@I2@") and still find "i2".
    ASSERT_GT(person.FRecNo, 0);
    ASSERT_FALSE(person.FFather->FRawRecord.empty());
    EXPECT_EQ(person.FFather->FRawRecord.front(), "0 @i2@ INDI");
    EXPECT_EQ(person.FMother->Name(), "Unknown");
    ASSERT_EQ(person.FSiblings.size(), 1u);
    ASSERT_FALSE(person.FSiblings[0]->FRawRecord.empty());
    EXPECT_EQ(person.FSiblings[0]->FRawRecord.front(), "0 @i3@ INDI");
}

}  // namespace
