// lineatum-tool build against the ways a build once destroyed what it did not own: a table in
// use elsewhere, two builds of one target at once, a link to the GEDCOM file, a target that is
// not a table, and a rebuild that fails part-way. Tables left in place are checked by the
// independent oracle (testdata/lookup_oracle.py, which reads them with dbfread).
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "gedcom/LookupFiles.h"
#include "table/HTable.h"
#include "testing/TempDir.h"
#include "tools/ToolTestSupport.h"

#include <gtest/gtest.h>

namespace {

class BuildSafetyTest : public ::testing::Test {
protected:
    std::string Sample(const char* name) { return std::string(LINEATUM_SAMPLES_DIR) + "/" + name; }

    ToolRun Build(const std::string& gedcom, const std::string& table) {
        return RunTool(dir_, "build " + Quote(gedcom) + " " + Quote(table));
    }

    // The table in place is the complete table of `gedcom`: its index pairs with it, the
    // oracle agrees with every row, and the POINTER tag orders every row.
    void ExpectCompleteTable(const std::string& gedcom, const std::string& table) {
        const std::string index = table.substr(0, table.size() - 4) + ".CDX";
        EXPECT_TRUE(gedcom::LookupFilesBelongTogether(table, index));
        const ToolRun oracle = Shell(dir_, std::string(LINEATUM_PYTHON) + " " +
                                               Quote(LINEATUM_LOOKUP_ORACLE) + " " + Quote(gedcom) +
                                               " " + Quote(table));
        EXPECT_EQ(oracle.exitCode, 0) << oracle.out << oracle.err;
        const ToolRun order =
            RunTool(dir_, "order " + Quote(table) + " " + Quote(index) + " POINTER");
        EXPECT_EQ(order.exitCode, 0) << order.err;
        EXPECT_GT(Lines(order.out).size(), 10u);
    }

    // The names in the test folder that a build may have left: temporary files and sort runs.
    std::vector<std::string> Leftovers() {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
            const std::string name = entry.path().filename().string();
            if (name.find(".build-") != std::string::npos || name.ends_with(".CPL")) {
                found.push_back(name);
            }
        }
        return found;
    }

    TempDir dir_;
};

// Another program holds the table open (and locked) while it is rebuilt: nothing is deleted
// under it, the rebuild puts a complete table in place, and the program still reads its own.
TEST_F(BuildSafetyTest, ATableInUseElsewhereIsNeitherDeletedNorLeftHalfBuilt) {
    const std::string gedcom = Sample("kennedy.ged");
    const std::string table = dir_.File("LOOKUP.DBF");
    ASSERT_EQ(Build(gedcom, table).exitCode, 0);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t other = ::fork();
    if (other == 0) {
        HTable open;
        open.SetExclusive(true);
        open.SetDBFPath(dir_.Path());
        open.SetDBFName("LOOKUP.DBF");
        open.SetActive(true);
        const char byte = open.Active() ? 'y' : 'n';
        (void)!::write(ready[1], &byte, 1);
        ::pause();
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'y');
    const ToolRun run = Build(gedcom, table);
    ::kill(other, SIGKILL);
    ::waitpid(other, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    ExpectCompleteTable(gedcom, table);
    EXPECT_TRUE(Leftovers().empty());
}

// Two builds of one target at once, twenty times: they take turns, both succeed, and the
// table in place is always complete.
TEST_F(BuildSafetyTest, TwoBuildsOfOneTargetAtOnceBothEndWithACompleteTable) {
    const std::string gedcom = Sample("kennedy.ged");
    const std::string table = dir_.File("LOOKUP.DBF");
    const std::string build = Tool() + " build " + Quote(gedcom) + " " + Quote(table);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        const ToolRun both = Shell(dir_, "{ ( " + build + " >/dev/null 2>&1; echo A$? ) & ( " + build +
                                             " >/dev/null 2>&1; echo B$? ) & wait; }");
        EXPECT_NE(both.out.find("A0"), std::string::npos) << both.out;
        EXPECT_NE(both.out.find("B0"), std::string::npos) << both.out;
        ExpectCompleteTable(gedcom, table);
    }
    EXPECT_TRUE(Leftovers().empty());
}

// A lookup path that is a link to the GEDCOM file is refused; the file keeps every byte.
TEST_F(BuildSafetyTest, ALinkToTheGedcomFileIsRefusedAndTheFileKeepsItsBytes) {
    const std::string gedcom = dir_.Write("tree.ged", ReadFileBytes(Sample("bronte.ged")));
    const std::string before = ReadFileBytes(gedcom);
    for (const char* link : {"LOOKUP.DBF", "LOOKUP.CDX"}) {
        SCOPED_TRACE(link);
        std::filesystem::remove(dir_.File("LOOKUP.DBF"));
        std::filesystem::remove(dir_.File("LOOKUP.CDX"));
        std::filesystem::create_symlink(gedcom, dir_.File(link));
        const ToolRun run = Build(gedcom, dir_.File("LOOKUP.DBF"));
        EXPECT_NE(run.exitCode, 0);
        EXPECT_NE(run.err.find(dir_.File(link) + " is the GEDCOM file itself"), std::string::npos)
            << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(ReadFileBytes(gedcom), before);
        EXPECT_TRUE(std::filesystem::is_symlink(dir_.File(link)));
    }
    EXPECT_TRUE(Leftovers().empty());
}

// A folder or a file of another kind under the table's name is never written over.
TEST_F(BuildSafetyTest, ATargetThatIsNotATableIsRefusedAndKept) {
    const std::string gedcom = Sample("bronte.ged");
    std::filesystem::create_directory(dir_.File("FOLDER.DBF"));
    ToolRun run = Build(gedcom, dir_.File("FOLDER.DBF"));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find("FOLDER.DBF is a folder"), std::string::npos) << run.err;
    const std::string letter = dir_.Write("LETTER.DBF", "Dear cousin, here is the family tree.");
    run = Build(gedcom, letter);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find("LETTER.DBF is not a table"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(letter), "Dear cousin, here is the family tree.");
    EXPECT_FALSE(std::filesystem::exists(dir_.File("LETTER.CDX")));
    // A damaged table of ours (its header intact) is replaced.
    const std::string table = dir_.File("OURS.DBF");
    ASSERT_EQ(Build(gedcom, table).exitCode, 0);
    std::filesystem::resize_file(table, 200);
    EXPECT_EQ(Build(gedcom, table).exitCode, 0);
    ExpectCompleteTable(gedcom, table);
}

// A rebuild that fails part-way (here the file size limit, as a full disk would) reports the
// failure and leaves the previous table as it was.
TEST_F(BuildSafetyTest, ARebuildThatFailsPartWayKeepsThePreviousTable) {
    const std::string small = Sample("kennedy.ged");
    const std::string table = dir_.File("LOOKUP.DBF");
    const std::string index = dir_.File("LOOKUP.CDX");
    ASSERT_EQ(Build(small, table).exitCode, 0);
    const std::string tableBefore = ReadFileBytes(table);
    const std::string indexBefore = ReadFileBytes(index);
    // royal92's table is larger than the limit; writes beyond it fail instead of killing.
    const ToolRun run = Shell(dir_, "trap '' XFSZ; ulimit -f 64; " + Tool() + " build " +
                                        Quote(Sample("royal92.ged")) + " " + Quote(table));
    EXPECT_NE(run.exitCode, 0);
    // Said in words, naming the table as written (not its temporary name, not upper-cased).
    EXPECT_NE(run.err.find("lineatum-tool: " + table + " cannot be written: the file would be too large"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(ReadFileBytes(table), tableBefore);
    EXPECT_EQ(ReadFileBytes(index), indexBefore);
    EXPECT_TRUE(Leftovers().empty());
    ExpectCompleteTable(small, table);
}

}  // namespace

namespace {

class ChangedFileTest : public ::testing::Test {
protected:
    // The table of `before` is built, then the file becomes `after` with an older time, so that
    // nothing but the records themselves can tell.
    std::string Change(const std::string& before, const std::string& after) {
        const std::string gedcom = dir_.Write("tree.ged", before);
        const ToolRun build =
            RunTool(dir_, "build " + Quote(gedcom) + " " + Quote(dir_.File("LOOKUP.DBF")));
        EXPECT_EQ(build.exitCode, 0) << build.err;
        dir_.Write("tree.ged", after);
        std::filesystem::last_write_time(
            gedcom, std::filesystem::last_write_time(dir_.File("LOOKUP.DBF")) - std::chrono::hours(24));
        return gedcom;
    }
    ToolRun Person(const std::string& gedcom, const std::string& pointer) {
        return RunTool(dir_, "person " + Quote(gedcom) + " " + Quote(dir_.File("LOOKUP.DBF")) +
                                 " " + pointer);
    }
    TempDir dir_;
};

const char* const kAnnAndBob =
    "0 HEAD\n0 @I1@ INDI\n1 NAME Ann /Lee/\n1 BIRT\n2 DATE 1900\n0 @I2@ INDI\n1 NAME Bob /Day/\n"
    "1 BIRT\n2 DATE 1950\n0 TRLR\n";

// A file edited in place, restored with an older time, truncated or replaced keeps its stale
// table: the person tool says so and exits 3, never printing a person made of two records.
TEST_F(ChangedFileTest, AChangedFileIsReportedNeverShownAsAStranger) {
    const std::string changes[] = {
        // A line inserted before the records moves every record.
        "0 HEAD\n1 NOTE an added line\n0 @I1@ INDI\n1 NAME Ann /Lee/\n1 BIRT\n2 DATE 1900\n"
        "0 @I2@ INDI\n1 NAME Bob /Day/\n1 BIRT\n2 DATE 1950\n0 TRLR\n",
        // The records swapped.
        "0 HEAD\n0 @I2@ INDI\n1 NAME Bob /Day/\n1 BIRT\n2 DATE 1950\n0 @I1@ INDI\n1 NAME Ann /Lee/\n"
        "1 BIRT\n2 DATE 1900\n0 TRLR\n",
        // Cut short.
        "0 HEAD\n",
        // Another file altogether.
        "0 HEAD\n0 @F1@ FAM\n1 HUSB @I9@\n0 @I9@ INDI\n1 NAME Cy /Fox/\n0 TRLR\n"};
    for (const std::string& after : changes) {
        SCOPED_TRACE(after);
        const std::string gedcom = Change(kAnnAndBob, after);
        const ToolRun run = Person(gedcom, "I1");
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err,
                  "lineatum-tool: tree.ged has changed since its lookup table was built. Rebuild "
                  "it now?\n");
    }
}

// Pointers longer than the table's 20 characters that share their first 20 each find their
// own record.
TEST_F(ChangedFileTest, LongPointersSharingTheirFirstTwentyCharactersFindTheirOwnRecords) {
    const std::string gedcom = Change(
        "0 HEAD\n0 @A_VERY_LONG_POINTER_NUMBER_1@ INDI\n1 NAME Ann /Lee/\n"
        "0 @A_VERY_LONG_POINTER_NUMBER_2@ INDI\n1 NAME Bob /Day/\n0 TRLR\n",
        "0 HEAD\n0 @A_VERY_LONG_POINTER_NUMBER_1@ INDI\n1 NAME Ann /Lee/\n"
        "0 @A_VERY_LONG_POINTER_NUMBER_2@ INDI\n1 NAME Bob /Day/\n0 TRLR\n");
    ToolRun run = Person(gedcom, "A_VERY_LONG_POINTER_NUMBER_2");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Lines(run.out).at(1), "Person: Day, Bob");
    run = Person(gedcom, "a_very_long_pointer_number_1");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Lines(run.out).at(1), "Person: Lee, Ann");
}

}  // namespace
