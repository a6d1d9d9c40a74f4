#include "gedcom/MasterIndex.h"

#include <set>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

#include "gedcom/FilePaths.h"
#include "gedcom/GedcomStrings.h"
#include "gedcom/LookupTableBuilder.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace gedcom {
namespace {

TEST(Base36TextTest, DropsLeadingZerosAndGivesNothingForZeroOrLess) {
    EXPECT_EQ(Base36Text(31), "V");
    EXPECT_EQ(Base36Text(1207061530), "JYNIMY");
    EXPECT_EQ(Base36Text(35), "Z");
    EXPECT_EQ(Base36Text(36), "10");
    EXPECT_EQ(Base36Text(0), "");
    EXPECT_EQ(Base36Text(-4), "");
}

TEST(LookupStemTest, JoinsYearTimeAndTickCodes) {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 7;
    local.tm_hour = 6;
    local.tm_min = 15;
    local.tm_sec = 30;
    EXPECT_EQ(LookupStem(local, 12345678), "VJYNIMY12345678");
    EXPECT_EQ(LookupStem(local, -17), "VJYNIMY-17");
}

class MasterIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* sub : {"master", "Index", "a", "b"}) {
            ASSERT_EQ(::mkdir(dir_.File(sub).c_str(), 0700), 0);
        }
    }

    std::string MasterFolder() const { return dir_.File("master"); }
    std::string LookupFolder() const { return dir_.File("Index") + "/"; }

    // A GEDCOM file and a lookup table (with its index) at a new lookup path, recorded.
    std::string AddPair(TMasterIndex& master, const std::string& gedcomName) {
        const std::string gedcom = dir_.Write(gedcomName, "0 HEAD\n0 TRLR\n");
        const std::string lookup = master.NewLookupPath();
        TouchFile(lookup);
        TouchFile(ReplaceExtension(lookup, ".CDX"));
        master.RecordPair(gedcom, lookup);
        return lookup;
    }

    static void TouchFile(const std::string& path) {
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr) << path;
        std::fclose(f);
    }

    TempDir dir_;
};

TEST_F(MasterIndexTest, OpenOrCreateMakesTheTableAndItsIndex) {
    TMasterIndex master(MasterFolder(), LookupFolder());
    master.OpenOrCreate();
    EXPECT_TRUE(master.MasterIndexTable.Active());
    EXPECT_TRUE(RegularFileExists(MasterFolder() + "/Quilbet.DBF"));
    EXPECT_TRUE(RegularFileExists(MasterFolder() + "/Quilbet.CDX"));
    EXPECT_EQ(master.MasterIndexTable.FieldCount(), 4);
    EXPECT_EQ(master.MasterIndexTable.FieldName(3), "INDEXFILE");
    EXPECT_EQ(master.MasterIndexTable.FieldWidth(1), 200);
    EXPECT_TRUE(master.MasterIndexTable.Exclusive());
    EXPECT_EQ(master.FindFile(dir_.File("a/tree.ged")), -1);
}

TEST_F(MasterIndexTest, AnUnusableFolderLeavesTheTableClosedAndEveryOperationHarmless) {
    TMasterIndex master(dir_.File("no/such/folder"), LookupFolder());
    master.OpenOrCreate();
    EXPECT_FALSE(master.MasterIndexTable.Active());
    const std::string gedcom = dir_.Write("a/tree.ged", "0 TRLR\n");
    const std::string lookup = dir_.Write("Index/QB1.DBF", "");
    EXPECT_NO_THROW(master.RecordPair(gedcom, lookup));
    EXPECT_EQ(master.FindFile(gedcom), -1);
    EXPECT_EQ(master.LookupPathOfRow(1), "");
    EXPECT_NO_THROW(master.StoreLastUsed(1, "I1"));
    EXPECT_NO_THROW(master.TidyMaster());
}

TEST_F(MasterIndexTest, RecordedPairIsFoundIgnoringCaseAndBlanks) {
    TMasterIndex master(MasterFolder(), LookupFolder());
    master.OpenOrCreate();
    const std::string lookup = AddPair(master, "a/Tree.ged");
    const int32_t row = master.FindFile(dir_.File("a/Tree.ged"));
    ASSERT_GT(row, 0);
    EXPECT_EQ(master.LookupPathOfRow(row), lookup);
    EXPECT_EQ(master.MasterIndexTable.RecNo(), row);
    EXPECT_EQ(std::string(Trim(master.MasterIndexTable.StringGet("GEDFILE"))), "Tree.ged");
    EXPECT_EQ(std::string(Trim(master.MasterIndexTable.StringGet("GEDPATH"))),
              dir_.File("a") + "/");
    EXPECT_TRUE(IsBlank(master.MasterIndexTable.StringGet("LASTUSED")));
    // The other spelling names no other existing file, so it is the same file.
    EXPECT_EQ(master.FindFile(AsciiUpper(dir_.File("a/tree.ged"))), row);
    EXPECT_EQ(master.FindFile(dir_.File("a/ Tree.ged ")), row);
    EXPECT_EQ(master.FindFile(dir_.File("b/Tree.ged")), -1);
    EXPECT_EQ(master.FindFile(dir_.File("a/Tree.ge")), -1);
}

TEST_F(MasterIndexTest, SameNameInTwoFoldersGivesTwoRowsAndTwoLookupTables) {
    TMasterIndex master(MasterFolder(), LookupFolder());
    master.OpenOrCreate();
    const std::string lookupA = AddPair(master, "a/tree.ged");
    const std::string lookupB = AddPair(master, "b/tree.ged");
    EXPECT_NE(lookupA, lookupB);
    const int32_t rowA = master.FindFile(dir_.File("a/tree.ged"));
    const int32_t rowB = master.FindFile(dir_.File("b/tree.ged"));
    ASSERT_GT(rowA, 0);
    ASSERT_GT(rowB, 0);
    EXPECT_NE(rowA, rowB);
    EXPECT_EQ(master.LookupPathOfRow(rowA), lookupA);
    EXPECT_EQ(master.LookupPathOfRow(rowB), lookupB);
    EXPECT_EQ(master.MasterIndexTable.RecordCount(), 2);
}

TEST_F(MasterIndexTest, NamesDifferingOnlyInCaseAreTwoFilesOnACaseSensitiveFileSystem) {
    TMasterIndex master(MasterFolder(), LookupFolder());
    master.OpenOrCreate();
    const std::string upper = AddPair(master, "a/Tree.ged");
    const std::string lower = AddPair(master, "a/tree.ged");
    EXPECT_NE(upper, lower);
    const int32_t upperRow = master.FindFile(dir_.File("a/Tree.ged"));
    const int32_t lowerRow = master.FindFile(dir_.File("a/tree.ged"));
    EXPECT_NE(upperRow, lowerRow);
    EXPECT_EQ(master.LookupPathOfRow(upperRow), upper);
    EXPECT_EQ(master.LookupPathOfRow(lowerRow), lower);
}

TEST_F(MasterIndexTest, RecordPairNeedsBothFiles) {
    TMasterIndex master(MasterFolder(), LookupFolder());
    master.OpenOrCreate();
    const std::string gedcom = dir_.Write("a/tree.ged", "0 TRLR\n");
    master.RecordPair(gedcom, LookupFolder() + "QBMISSING.DBF");
    master.RecordPair(dir_.File("a/gone.ged"), dir_.Write("Index/QB1.DBF", ""));
    EXPECT_EQ(master.MasterIndexTable.RecordCount(), 0);
}

TEST_F(MasterIndexTest, ReindexUpdatesTheRowAndKeepsTheLastPersonShown) {
    TMasterIndex master(MasterFolder(), LookupFolder());
    master.OpenOrCreate();
    AddPair(master, "a/tree.ged");
    const int32_t row = master.FindFile(dir_.File("a/tree.ged"));
    master.StoreLastUsed(row, PadToWidth("I42", kPointerKeyWidth));
    const std::string rebuilt = AddPair(master, "a/tree.ged");
    EXPECT_EQ(master.MasterIndexTable.RecordCount(), 1);
    EXPECT_EQ(master.FindFile(dir_.File("a/tree.ged")), row);
    EXPECT_EQ(master.LookupPathOfRow(row), rebuilt);
    EXPECT_EQ(std::string(Trim(master.MasterIndexTable.StringGet("LASTUSED"))), "I42");
}

TEST_F(MasterIndexTest, RowsSurviveClosingAndReopening) {
    std::string lookup;
    {
        TMasterIndex master(MasterFolder(), LookupFolder());
        master.OpenOrCreate();
        lookup = AddPair(master, "a/tree.ged");
        master.StoreLastUsed(master.FindFile(dir_.File("a/tree.ged")), "I7");
    }
    TMasterIndex master(MasterFolder(), LookupFolder());
    master.OpenOrCreate();
    const int32_t row = master.FindFile(dir_.File("a/tree.ged"));
    ASSERT_GT(row, 0);
    EXPECT_EQ(master.LookupPathOfRow(row), lookup);
    EXPECT_EQ(std::string(Trim(master.MasterIndexTable.StringGet("LASTUSED"))), "I7");
}

TEST_F(MasterIndexTest, StoreLastUsedSwallowsABadRecordNumber) {
    TMasterIndex master(MasterFolder(), LookupFolder());
    master.OpenOrCreate();
    AddPair(master, "a/tree.ged");
    EXPECT_NO_THROW(master.StoreLastUsed(99, "I1"));
    EXPECT_NO_THROW(master.StoreLastUsed(0, "I1"));
    EXPECT_EQ(master.MasterIndexTable.State(), HTableState::Browse);
}

TEST_F(MasterIndexTest, BlankIndexFileGivesNoLookupPath) {
    TMasterIndex master(MasterFolder(), LookupFolder());
    master.OpenOrCreate();
    AddPair(master, "a/tree.ged");
    const int32_t row = master.FindFile(dir_.File("a/tree.ged"));
    master.MasterIndexTable.Edit();
    master.MasterIndexTable.StringPut("INDEXFILE", "");
    master.MasterIndexTable.Post();
    EXPECT_EQ(master.LookupPathOfRow(row), "");
}

TEST_F(MasterIndexTest, TidyRemovesRowsWhoseFilesVanishedWithTheirFiles) {
    TMasterIndex master(MasterFolder(), LookupFolder());
    master.OpenOrCreate();
    const std::string kept = AddPair(master, "a/kept.ged");
    const std::string moved = AddPair(master, "a/moved.ged");
    const std::string handDeleted = AddPair(master, "b/tree.ged");
    ASSERT_EQ(std::rename(dir_.File("a/moved.ged").c_str(), dir_.File("b/moved.ged").c_str()), 0);
    ASSERT_TRUE(RemoveRegularFile(handDeleted));
    master.TidyMaster();
    EXPECT_EQ(master.MasterIndexTable.RecordCount(), 1);
    const int32_t row = master.FindFile(dir_.File("a/kept.ged"));
    ASSERT_GT(row, 0);
    EXPECT_EQ(master.LookupPathOfRow(row), kept);
    EXPECT_TRUE(RegularFileExists(ReplaceExtension(kept, ".CDX")));
    EXPECT_FALSE(RegularFileExists(moved));
    EXPECT_FALSE(RegularFileExists(ReplaceExtension(moved, ".CDX")));
    EXPECT_FALSE(RegularFileExists(ReplaceExtension(handDeleted, ".CDX")));
    EXPECT_EQ(master.FindFile(dir_.File("a/moved.ged")), -1);
    EXPECT_EQ(master.FindFile(dir_.File("b/tree.ged")), -1);
}

TEST_F(MasterIndexTest, TidyNeverDeletesOutsideTheLookupFolder) {
    TMasterIndex master(MasterFolder(), LookupFolder());
    master.OpenOrCreate();
    AddPair(master, "a/tree.ged");
    const std::string outside = dir_.Write("b/precious.DBF", "data");
    master.MasterIndexTable.Edit();
    master.MasterIndexTable.StringPut("INDEXFILE", "../b/precious.DBF");
    master.MasterIndexTable.Post();
    ASSERT_TRUE(RemoveRegularFile(dir_.File("a/tree.ged")));
    master.TidyMaster();
    EXPECT_EQ(master.MasterIndexTable.RecordCount(), 0);
    EXPECT_TRUE(RegularFileExists(outside));
}

TEST_F(MasterIndexTest, AnIndexLeftWithoutItsTableIsNotUsed) {
    {
        TMasterIndex master(MasterFolder(), LookupFolder());
        master.OpenOrCreate();
        AddPair(master, "a/one.ged");
        AddPair(master, "a/two.ged");
    }
    ASSERT_TRUE(RemoveRegularFile(MasterFolder() + "/Quilbet.DBF"));
    TMasterIndex master(MasterFolder(), LookupFolder());
    master.OpenOrCreate();
    EXPECT_EQ(master.FindFile(dir_.File("a/two.ged")), -1);
    AddPair(master, "a/three.ged");
    EXPECT_EQ(master.FindFile(dir_.File("a/three.ged")), 1);
}

TEST_F(MasterIndexTest, ADamagedIndexIsBuiltAgain) {
    {
        TMasterIndex master(MasterFolder(), LookupFolder());
        master.OpenOrCreate();
        AddPair(master, "a/tree.ged");
    }
    dir_.Write("master/Quilbet.CDX", std::string(2048, '\x7f'));
    TMasterIndex master(MasterFolder(), LookupFolder());
    master.OpenOrCreate();
    EXPECT_EQ(master.FindFile(dir_.File("a/tree.ged")), 1);
}

TEST_F(MasterIndexTest, NewLookupPathsNeverRepeat) {
    TMasterIndex master(MasterFolder(), LookupFolder());
    std::set<std::string> paths;
    for (int i = 0; i < 30; ++i) {
        const std::string path = master.NewLookupPath();
        EXPECT_EQ(DirectoryPart(path), LookupFolder());
        EXPECT_EQ(NamePart(path).substr(0, 2), "QB");
        EXPECT_EQ(path.substr(path.size() - 4), ".DBF");
        EXPECT_LE(NamePart(path).size(), 30u);
        paths.insert(path);
    }
    EXPECT_EQ(paths.size(), 30u);
}

// A progress sink whose status label fails, as an error raised while the build runs would.
class FailingProgress : public TLookupBuildProgress {
public:
    void SetActivity(std::string_view) override {}
    void SetIndividuals(std::string_view) override {}
    void SetStatus(std::string_view) override { throw std::runtime_error("interrupted"); }
};

TEST_F(MasterIndexTest, ABuildEndedByAnErrorIsNeverRecorded) {
    TMasterIndex master(MasterFolder(), LookupFolder());
    master.OpenOrCreate();
    std::string bytes;
    for (int i = 1; i <= 500; ++i) bytes += "0 @I" + std::to_string(i) + "@ INDI\n";
    const std::string gedcom = dir_.Write("a/tree.ged", bytes + "0 TRLR\n");
    const std::string lookup = master.NewLookupPath();
    HTable table;
    HCreateTable creator;
    FailingProgress progress;
    EXPECT_THROW(BuildLookupTable(gedcom, lookup, creator, table, progress), std::runtime_error);
    master.RecordPair(gedcom, lookup);
    EXPECT_EQ(master.FindFile(gedcom), -1);
    EXPECT_FALSE(RegularFileExists(lookup));
    EXPECT_FALSE(RegularFileExists(ReplaceExtension(lookup, ".CDX")));
}

}  // namespace
}  // namespace gedcom
