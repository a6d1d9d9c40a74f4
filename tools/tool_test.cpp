// Runs the built lineatum-tool as a user would and checks what it prints.
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "testing/ReferenceLines.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

// Runs lineatum-tool with `arguments` (already quoted for the shell).
ToolRun RunTool(const TempDir& dir, const std::string& arguments) {
    std::string outPath = dir.File("tool.out");
    std::string errPath = dir.File("tool.err");
    std::string command = std::string(LINEATUM_BIN_DIR) + "/lineatum-tool " + arguments + " >" +
                          outPath + " 2>" + errPath;
    int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes(outPath),
            ReadFileBytes(errPath)};
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }

class ToolTest : public ::testing::Test {
protected:
    TempDir dir_;
};

// Each output line is "offset<TAB>bytes"; the bytes must be the file's line at that offset.
void ExpectLinesOutputMatches(const std::string& file, const std::string& output) {
    std::vector<ReferenceLine> want = ReferenceLines(ReadFileBytes(file));
    size_t position = 0;
    for (size_t i = 0; i < want.size(); ++i) {
        size_t tab = output.find('\t', position);
        size_t end = output.find('\n', tab);
        ASSERT_NE(tab, std::string::npos) << file << " line " << i;
        ASSERT_NE(end, std::string::npos) << file << " line " << i;
        EXPECT_EQ(output.substr(position, tab - position), std::to_string(want[i].offset))
            << file << " line " << i;
        ASSERT_EQ(output.substr(tab + 1, end - tab - 1), want[i].text) << file << " line " << i;
        position = end + 1;
    }
    EXPECT_EQ(position, output.size()) << file << ": more output lines than file lines";
}

TEST_F(ToolTest, LinesPrintsTrueOffsetsAndExactLinesOfEverySample) {
    std::vector<std::string> files = SampleGedcomFiles(LINEATUM_SAMPLES_DIR);
    if (files.empty()) GTEST_SKIP() << "no GEDCOM samples";
    for (const std::string& file : files) {
        ToolRun run = RunTool(dir_, "lines " + Quote(file));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        ExpectLinesOutputMatches(file, run.out);
    }
}

TEST_F(ToolTest, LinesHandlesMixedTerminatorsAcrossChunks) {
    std::string bytes;
    for (int i = 0; i < 4000; ++i) bytes += "1 NOTE " + std::to_string(i) + (i % 3 ? "\r\n" : i % 2 ? "\r" : "\n");
    std::string file = dir_.Write("mixed.ged", bytes + "0 TRLR");
    ToolRun run = RunTool(dir_, "lines " + Quote(file));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ExpectLinesOutputMatches(file, run.out);
}

TEST_F(ToolTest, CharsetPrintsCodeAndName) {
    ToolRun run = RunTool(dir_, "charset " + Quote(dir_.Write("a.ged", "0 HEAD\n1 CHAR IBMPC\n")));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "0 IBM PC\n");
    run = RunTool(dir_, "charset " + Quote(dir_.Write("e.ged", "")));
    EXPECT_EQ(run.out, "4 other\n");
    std::string royal = std::string(LINEATUM_SAMPLES_DIR) + "/royal92.ged";
    if (std::filesystem::exists(royal)) {
        EXPECT_EQ(RunTool(dir_, "charset " + Quote(royal)).out, "2 ANSEL\n");
    }
}

TEST_F(ToolTest, BadInvocationsPrintOneErrorLineAndFail) {
    for (const std::string& arguments :
         {std::string(""), std::string("frobnicate x"), std::string("lines"), std::string("lines a b"),
          "lines " + Quote(dir_.File("missing.ged")), "charset " + Quote(dir_.Path())}) {
        ToolRun run = RunTool(dir_, arguments);
        EXPECT_NE(run.exitCode, 0) << arguments;
        EXPECT_TRUE(run.out.empty()) << arguments;
        ASSERT_FALSE(run.err.empty()) << arguments;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << arguments << ": " << run.err;
    }
}

// A two-field table written byte by byte: header, descriptors NAME C5 and AGE N3, two records
// (the second deleted) and the end-of-file mark.
std::string SmallTable() {
    std::string bytes("\x03\x1A\x0C\x08", 4);                  // version, last update 26-12-08
    bytes += std::string("\x02\x00\x00\x00", 4);                // two records
    bytes += std::string("\x61\x00\x09\x00", 4);                // header 97, record 9 bytes
    bytes += std::string(20, '\0');
    auto field = [](const std::string& name, char type, char width) {
        std::string descriptor = name + std::string(11 - name.size(), '\0');
        descriptor += type;
        descriptor += std::string(4, '\0');
        descriptor += width;
        descriptor += std::string(15, '\0');
        return descriptor;
    };
    bytes += field("NAME", 'C', 5) + field("AGE", 'N', 3) + "\x0D";
    bytes += " Ann   42*Bob    7\x1A";
    return bytes;
}

TEST_F(ToolTest, DbfPrintsHeaderFieldsAndStoredRecords) {
    ToolRun run = RunTool(dir_, "dbf " + Quote(dir_.Write("SMALL.DBF", SmallTable())));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "version: 0x03\n"
              "records: 2\n"
              "header length: 97\n"
              "record length: 9\n"
              "last update: 26-12-08 (YY-MM-DD)\n"
              "field 1: NAME C 5 0\n"
              "field 2: AGE N 3 0\n"
              "1  |Ann  | 42|\n"
              "2 *|Bob  |  7|\n");
}

TEST_F(ToolTest, DbfRefusesADamagedTableWithOneLine) {
    std::string bytes = SmallTable();
    bytes[8] = '\x7F';  // header length beyond the file
    ToolRun run = RunTool(dir_, "dbf " + Quote(dir_.Write("BAD.DBF", bytes)));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.out.empty());
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
}

}  // namespace
