// Killing a build, a rebuild or a master-table update at random moments (SIGKILL, in a forked
// process doing what the viewer does) must leave, at the next start: a master table that opens
// and whose index lists every row once, a table at every path a row names that is complete
// (the independent oracle, testdata/lookup_oracle.py with dbfread, agrees with its rows) or a
// pair the viewer rebuilds, no temporary files once tidied, and the GEDCOM files unchanged.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "gedcom/FilePaths.h"
#include "gedcom/GedcomState.h"
#include "gedcom/GedcomStrings.h"
#include "gedcom/LookupFiles.h"
#include "gedcom/LookupTableBuilder.h"
#include "gedcom/MasterIndex.h"
#include "gedcom/TextDecoding.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace gedcom {
namespace {

// What the viewer does with files, over and over: open each (building its table when it has
// none, rebuilding it every other time), record it in the master table and remember persons.
[[noreturn]] void WorkUntilKilled(const std::vector<std::string>& files,
                                  const std::string& masterFolder,
                                  const std::string& lookupFolder) {
    for (int round = 0;; ++round) {
        TMasterIndex master(masterFolder, lookupFolder);
        master.OpenOrCreate();
        for (const std::string& file : files) {
            const int32_t row = master.FindFile(file);
            std::string lookup = row > 0 ? master.LookupPathOfRow(row) : std::string();
            if (lookup.empty()) lookup = master.NewLookupPath();
            if (row <= 0 || round % 2 == 1) {
                GedcomState().Decoding = ChooseTextDecoding(file);
                HTable table;
                HCreateTable creator;
                TSilentBuildProgress progress;
                BuildLookupTable(file, lookup, creator, table, progress);
                master.RecordPair(file, lookup);
            }
            const int32_t found = master.FindFile(file);
            for (int i = 0; i < 20; ++i) master.StoreLastUsed(found, "I" + std::to_string(i));
        }
    }
}

std::string RunCommand(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return "cannot run " + command;
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
    const int status = ::pclose(pipe);
    return status == 0 ? std::string() : output + " (exit " + std::to_string(status) + ")";
}

TEST(CrashSafetyTest, KilledBuildsAndMasterUpdatesLeaveNothingHalfDone) {
    TempDir dir;
    const std::string masterFolder = dir.Path() + "/data/";
    const std::string lookupFolder = masterFolder + "Index/";
    std::filesystem::create_directories(lookupFolder);
    std::vector<std::string> files;
    std::vector<std::string> bytes;
    for (const char* name : {"royal92.ged", "kennedy.ged", "bronte.ged", "utf16le.ged"}) {
        bytes.push_back(ReadFileBytes(std::string(LINEATUM_SAMPLES_DIR) + "/" + name));
        files.push_back(dir.Write(name, bytes.back()));
    }
    std::mt19937 random(20261209);
    int checkedTables = 0;
    for (int round = 0; round < 24; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) WorkUntilKilled(files, masterFolder, lookupFolder);
        ::usleep(static_cast<useconds_t>(random() % 900000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        // The next start.
        RemoveAbandonedBuildFiles(lookupFolder);
        TMasterIndex master(masterFolder, lookupFolder);
        master.OpenOrCreate();
        HTable& table = master.MasterIndexTable;
        ASSERT_TRUE(table.Active());
        const int32_t rows = table.RecordCount();
        EXPECT_LE(rows, static_cast<int32_t>(files.size()));
        for (int32_t row = 1; row <= rows; ++row) {
            const std::string lookup = master.LookupPathOfRow(row);
            ASSERT_FALSE(lookup.empty());
            ASSERT_TRUE(RegularFileExists(lookup)) << "a row names no table: " << lookup;
            table.Go(row);
            const std::string gedcom = std::string(Trim(table.StringGet("GEDPATH"))) +
                                       std::string(Trim(table.StringGet("GEDFILE")));
            // Complete whatever the pair: the table in place is always a whole one.
            if (round % 4 == 0 || row == 1) {
                EXPECT_EQ(RunCommand(std::string(LINEATUM_PYTHON) + " '" + LINEATUM_LOOKUP_ORACLE +
                              "' '" + gedcom + "' '" + lookup + "' 2>&1"),
                          "");
                ++checkedTables;
            }
        }
        for (const auto& entry : std::filesystem::directory_iterator(lookupFolder)) {
            const std::string name = entry.path().filename().string();
            EXPECT_EQ(name.find(".build-"), std::string::npos) << name;
            EXPECT_FALSE(name.ends_with(".CPL")) << name;
        }
    }
    EXPECT_GT(checkedTables, 10);
    for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(ReadFileBytes(files[i]), bytes[i]);
}

}  // namespace
}  // namespace gedcom
