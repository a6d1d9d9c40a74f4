// Runs the built lineatum-tool as a user would and checks what it prints.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "testing/ReferenceLines.h"
#include "testing/TempDir.h"
#include "tools/ToolTestSupport.h"

#include <gtest/gtest.h>

namespace {

class ToolTest : public ::testing::Test {
protected:
    TempDir dir_;
};

// Each output line is "offset<TAB>bytes"; the bytes must be the file's line at that offset.
void ExpectLinesOutputMatches(const std::string& file, const std::string& output) {
    std::vector<ReferenceLine> want = ExpectedLines(ReadFileBytes(file));
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
    ASSERT_FALSE(files.empty()) << "no GEDCOM samples";
    for (const std::string& file : files) {
        ToolRun run = RunTool(dir_, "lines " + Quote(file));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        ExpectLinesOutputMatches(file, run.out);
    }
}

TEST_F(ToolTest, LinesHandlesMixedTerminatorsAcrossChunks) {
    std::string bytes;
    for (int i = 0; i < 4000; ++i)
        bytes += "1 NOTE " + std::to_string(i) + (i % 3 ? "\r\n" : i % 2 ? "\r" : "\n");
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
         {std::string(""), std::string("frobnicate x"), std::string("lines"),
          std::string("lines a b"), "lines " + Quote(dir_.File("missing.ged")),
          "charset " + Quote(dir_.Path())}) {
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
    std::string bytes("\x03\x1A\x0C\x08", 4);     // version, last update 26-12-08
    bytes += std::string("\x02\x00\x00\x00", 4);  // two records
    bytes += std::string("\x61\x00\x09\x00", 4);  // header 97, record 9 bytes
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

// The empty lookup table as a FoxPro 2 creator writes it, built by hand: header (the date
// bytes 1..3 are taken from `dated`, the file under test), four descriptors, 0x0D, 0x1A.
std::string EmptyLookupTable(const std::string& dated) {
    std::string bytes("\x03", 1);
    bytes += dated.substr(1, 3);
    bytes += std::string("\x00\x00\x00\x00\xA1\x00\x66\x00", 8);  // 0 records, 161, 102
    bytes += std::string(20, '\0');
    auto field = [](const std::string& name, char type, char width) {
        std::string descriptor = name + std::string(11 - name.size(), '\0');
        descriptor += type;
        descriptor += std::string(4, '\0');
        descriptor += width;
        descriptor += std::string(15, '\0');
        return descriptor;
    };
    bytes += field("RTYPE", 'C', 1) + field("NAME", 'C', 70) + field("POINTER", 'C', 20) +
             field("OFFSET", 'N', 10) + "\x0D\x1A";
    return bytes;
}

const char* const kLookupFields = "'RTYPE;C;1;0' 'NAME;C;70;0' 'POINTER;C;20;0' 'OFFSET;N;10;0'";

TEST_F(ToolTest, CreateWritesTheEmptyLookupTable) {
    std::string table = dir_.File("LOOKUP.DBF");
    ToolRun run = RunTool(dir_, "create " + Quote(table) + " " + kLookupFields);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "created " + table + "\n");
    std::string bytes = ReadFileBytes(table);
    ASSERT_EQ(bytes.size(), 162u);
    EXPECT_EQ(bytes, EmptyLookupTable(bytes));
    EXPECT_GE(static_cast<unsigned char>(bytes[2]), 1);  // month
    EXPECT_LE(static_cast<unsigned char>(bytes[2]), 12);

    // dbf reads it back.
    run = RunTool(dir_, "dbf " + Quote(table));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("field 4: OFFSET N 10 0\n"), std::string::npos) << run.out;
}

TEST_F(ToolTest, CreateAddsTheExtensionAndKeepsTheCase) {
    ToolRun run = RunTool(dir_, "create " + Quote(dir_.File("Quilbet")) +
                                    " 'GEDFILE;C;200;0' 'GEDPATH;C;200;0' 'INDEXFILE;C;30;0'"
                                    " 'LASTUSED;C;20;0'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::string bytes = ReadFileBytes(dir_.File("Quilbet.DBF"));
    ASSERT_EQ(bytes.size(), 162u);
    EXPECT_EQ(bytes.substr(8, 4), std::string("\xA1\x00\xC3\x01", 4));  // 161, 451
}

TEST_F(ToolTest, CreateKeepsAnExistingFileUnlessOverwriteIsGiven) {
    std::string table = dir_.Write("T.DBF", "precious");
    ToolRun run = RunTool(dir_, "create " + Quote(table) + " 'NAME;C;10;0'");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.out.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find("--overwrite"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(table), "precious");

    run = RunTool(dir_, "create --overwrite " + Quote(table) + " 'NAME;C;10;0'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFileBytes(table).size(), 32u + 32u + 2u);
}

TEST_F(ToolTest, CreatePrintsTheFieldListMessage) {
    std::string table = dir_.File("T.DBF");
    for (const std::string& fields : {std::string("'NAME;CC;10;0'"), std::string("'NAME;C;10'"),
                                      std::string("'A;C;1;0' 'a;C;2;0'")}) {
        ToolRun run = RunTool(dir_, "create " + Quote(table) + " " + fields);
        EXPECT_NE(run.exitCode, 0) << fields;
        EXPECT_EQ(run.err, "lineatum-tool: Field list is invalid\n") << fields;
        EXPECT_FALSE(std::filesystem::exists(table)) << fields;
    }
    ToolRun run = RunTool(dir_, "create " + Quote(table) + " 'NAME;C;wide;0'");
    EXPECT_EQ(run.err, "lineatum-tool: 'wide' is not a valid integer value\n");
    run = RunTool(dir_, "create " + Quote(table) + " 'N;N;300;0'");
    EXPECT_EQ(run.err, "lineatum-tool: Range check error\n");
    EXPECT_FALSE(std::filesystem::exists(table));
}

TEST_F(ToolTest, CreateWithoutFieldsOrIntoAMissingFolderFails) {
    for (const std::string& arguments :
         {std::string("create"), "create " + Quote(dir_.File("T.DBF")),
          "create " + Quote(dir_.File("no/such/T.DBF")) + " 'NAME;C;10;0'"}) {
        ToolRun run = RunTool(dir_, arguments);
        EXPECT_NE(run.exitCode, 0) << arguments;
        EXPECT_TRUE(run.out.empty()) << arguments;
        ASSERT_FALSE(run.err.empty()) << arguments;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << arguments << ": " << run.err;
    }
}

// --- index, order, seek --------------------------------------------------------------------

// A lookup table (RTYPE C1, NAME C70, POINTER C20, OFFSET N10) with the given rows, written
// byte by byte: header, four descriptors, 0x0D, the records, 0x1A.
std::string LookupTableBytes(const std::vector<std::vector<std::string>>& rows) {
    auto le = [](uint32_t v, int n) {
        std::string b;
        for (int i = 0; i < n; ++i) b += static_cast<char>(v >> (8 * i));
        return b;
    };
    std::string bytes("\x03\x1A\x01\x02", 4);
    bytes += le(static_cast<uint32_t>(rows.size()), 4) + le(161, 2) + le(102, 2);
    bytes += std::string(20, '\0');
    auto field = [](const std::string& name, char type, char width) {
        std::string descriptor = name + std::string(11 - name.size(), '\0');
        descriptor += type;
        descriptor += std::string(4, '\0');
        descriptor += width;
        descriptor += std::string(15, '\0');
        return descriptor;
    };
    bytes += field("RTYPE", 'C', 1) + field("NAME", 'C', 70) + field("POINTER", 'C', 20) +
             field("OFFSET", 'N', 10) + "\x0D";
    for (const auto& row : rows) {
        std::string record = " ";
        const int widths[] = {1, 70, 20, 10};
        for (int f = 0; f < 4; ++f) {
            std::string value = row[static_cast<size_t>(f)];
            if (f == 3) value.insert(0, static_cast<size_t>(10) - value.size(), ' ');
            value.resize(static_cast<size_t>(widths[f]), ' ');
            record += value;
        }
        bytes += record;
    }
    return bytes + "\x1A";
}

// Names and pointers as a GEDCOM lookup table holds them; many share a surname.
std::vector<std::vector<std::string>> LookupRows(int count, unsigned seed) {
    static const char* surnames[] = {"Smith", "Brown", "M\xFCller", "Adams",  "\xC9tienne",
                                     "Eaton", "Frost", "Young",     "Smythe", "O'Neil"};
    static const char* given[] = {"John", "Ann", "Mary", "Paul", "Eve", "Adam", "Zo\xEB"};
    std::vector<std::vector<std::string>> rows;
    unsigned state = seed;
    auto next = [&state]() {
        state = state * 1103515245u + 12345u;
        return state >> 8;
    };
    for (int i = 1; i <= count; ++i) {
        std::string pointer = "I";
        pointer += std::to_string(next() % (static_cast<unsigned>(count) + 7));
        std::string name = surnames[next() % 10];
        name += ", ";
        name += given[next() % 7];
        rows.push_back({next() % 5 ? "I" : "F", name, pointer, std::to_string(i)});
    }
    return rows;
}

bool PerlIndexReaderAvailable() {
    return std::system("perl -MXBase::Index -e 1 >/dev/null 2>&1") == 0;
}

// Record numbers in tag order as Perl's XBase::Index reads them, one a line.
std::string PerlOrder(const TempDir& dir, const std::string& index, const std::string& tag) {
    const std::string script =
        dir.Write("order.pl",
                  "use XBase::Index;\n"
                  "my $i = XBase::Index->new($ARGV[0], 'tag' => $ARGV[1], 'type' => 'char')\n"
                  "  or die XBase::Index->errstr;\n"
                  "$i->prepare_select;\n"
                  "while (my ($k, $v) = $i->fetch) { print \"$v\\n\"; }\n");
    const std::string out = dir.File("perl.out");
    std::system(
        ("perl " + Quote(script) + " " + Quote(index) + " " + tag + " >" + out + " 2>&1").c_str());
    return ReadFileBytes(out);
}

TEST_F(ToolTest, IndexOrderAndSeekOnALookupTable) {
    const std::string table =
        dir_.Write("T.DBF", LookupTableBytes({{"I", "Smith, John", "I1", "1"},
                                              {"I", "Brown, Ann", "I2", "2"},
                                              {"I", "Smith, Adam", "I3", "3"},
                                              {"F", "\xC9tienne", "F1", "4"}}));
    const std::string cdx = dir_.File("T.CDX");
    ToolRun run =
        RunTool(dir_, "index " + Quote(table) + " " + Quote(cdx) + " NAME 'RTYPE-UPPER(NAME)' 7");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    ASSERT_EQ(
        RunTool(dir_, "index " + Quote(table) + " " + Quote(cdx) + " POINTER POINTER 7").exitCode,
        0);
    EXPECT_EQ(RunTool(dir_, "order " + Quote(table) + " " + Quote(cdx) + " NAME").out,
              "4\n2\n3\n1\n");
    EXPECT_EQ(RunTool(dir_, "order " + Quote(table) + " " + Quote(cdx) + " pointer").out,
              "4\n1\n2\n3\n");
    const std::string seek = "seek " + Quote(table) + " " + Quote(cdx) + " NAME ";
    EXPECT_EQ(RunTool(dir_, seek + "ISMI").out, "3\n");
    EXPECT_EQ(RunTool(dir_, seek + "'ISMITH, JOHN'").out, "1\n");
    EXPECT_EQ(RunTool(dir_, seek + "IC").out, "not found\n");
    EXPECT_EQ(RunTool(dir_, seek + "IC --near").out, "3\n");
    EXPECT_EQ(RunTool(dir_, seek + "IZ --near").out, "not found\n");
    // Replacing a tag keeps one of that name, with the new expression (descending, machine).
    ASSERT_EQ(RunTool(dir_, "index " + Quote(table) + " " + Quote(cdx) + " NAME NAME 1").exitCode,
              0);
    EXPECT_EQ(RunTool(dir_, "order " + Quote(table) + " " + Quote(cdx) + " NAME").out,
              "4\n1\n3\n2\n");
}

TEST_F(ToolTest, IndexCommandsReportProblemsInOneLine) {
    const std::string table = dir_.Write("T.DBF", LookupTableBytes({{"I", "A", "I1", "1"}}));
    const std::string cdx = dir_.File("T.CDX");
    for (const std::string& arguments :
         {"index " + Quote(table) + " " + Quote(cdx) + " NAME NAME 9",
          "index " + Quote(table) + " " + Quote(cdx) + " NAME NOSUCH 0",
          "index " + Quote(table) + " " + Quote(dir_.File("T.NDX")) + " NAME NAME 0",
          "order " + Quote(table) + " " + Quote(cdx) + " NAME",
          "seek " + Quote(table) + " " + Quote(cdx) + " NAME"}) {
        ToolRun run = RunTool(dir_, arguments);
        EXPECT_NE(run.exitCode, 0) << arguments;
        EXPECT_TRUE(run.out.empty()) << arguments;
        ASSERT_FALSE(run.err.empty()) << arguments;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << arguments << ": " << run.err;
    }
}

TEST_F(ToolTest, PerlXBaseIndexReadsEveryTagInTheSameOrder) {
    if (!PerlIndexReaderAvailable()) GTEST_SKIP() << "perl XBase::Index not installed";
    for (int count : {7, 6000}) {
        const std::string table = dir_.Write("T.DBF", LookupTableBytes(LookupRows(count, 3)));
        const std::string cdx = dir_.File("T.CDX");
        std::remove(cdx.c_str());
        struct Tag {
            const char* name;
            const char* expression;
            int code;
        };
        for (const Tag& tag : {Tag{"NAME", "RTYPE-UPPER(NAME)", 7}, Tag{"POINTER", "POINTER", 7},
                               Tag{"GEDF", "UPPER(NAME)", 0}, Tag{"INDEXF", "POINTER", 0}}) {
            ToolRun run =
                RunTool(dir_, "index " + Quote(table) + " " + Quote(cdx) + " " + tag.name + " '" +
                                  tag.expression + "' " + std::to_string(tag.code));
            ASSERT_EQ(run.exitCode, 0) << run.err;
        }
        for (const char* tag : {"NAME", "POINTER", "GEDF", "INDEXF"}) {
            ToolRun run = RunTool(dir_, "order " + Quote(table) + " " + Quote(cdx) + " " + tag);
            ASSERT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), count) << tag;
            EXPECT_EQ(PerlOrder(dir_, cdx, tag), run.out) << tag << " with " << count << " rows";
        }
    }
}

// --- build ----------------------------------------------------------------------------------

// A GEDCOM file with `count` individuals (every third without a usable name) and a family.
std::string SmallGedcom(int count) {
    std::string bytes = "0 HEAD\r\n1 CHAR ANSI\r\n";
    for (int i = 1; i <= count; ++i) {
        bytes += "0 @I" + std::to_string(i) + "@ INDI\r\n";
        bytes +=
            i % 3 == 0 ? "1 NAME\r\n" : "1 NAME John /Smith" + std::to_string(i) + "/\r\n";
        bytes += "1 SEX M\r\n";
    }
    return bytes + "0 @F1@ FAM\r\n1 HUSB @I1@\r\n0 TRLR\r\n";
}

// The lines of `text` that are exactly `line`.
int CountLines(const std::string& text, const std::string& line) {
    int count = 0;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        if (text.compare(start, end - start, line) == 0) ++count;
    }
    return count;
}

TEST_F(ToolTest, BuildWritesTheLookupTableAndItsIndexAndPrintsCounts) {
    const std::string gedcom = dir_.Write("tree.ged", SmallGedcom(300));
    const std::string table = dir_.File("LOOKUP.DBF");
    const std::string cdx = dir_.File("LOOKUP.CDX");
    ToolRun run = RunTool(dir_, "build " + Quote(gedcom) + " " + Quote(table));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string counts = table + ": 301 rows, 300 individuals, 200 named individuals, ";
    EXPECT_EQ(run.out.substr(0, counts.size()), counts) << run.out;
    EXPECT_EQ(run.out.substr(run.out.size() - 3), " s\n") << run.out;

    EXPECT_EQ(run.err.substr(0, 24), "Creating index files...\n") << run.err;
    EXPECT_EQ(CountLines(run.err, "100% done"), 1) << run.err;
    // Counted lines: 2 + 3 per individual + 3; the 800th is the SEX line of I266.
    EXPECT_EQ(CountLines(run.err, "266 individuals found"), 1) << run.err;
    EXPECT_EQ(CountLines(run.err, "Index 1 Sort Progress"), 1) << run.err;
    EXPECT_EQ(CountLines(run.err, "Index 2 Sort Progress"), 1) << run.err;
    EXPECT_LT(run.err.find("100% done"), run.err.find("Index 1 Sort Progress"));

    ToolRun order = RunTool(dir_, "order " + Quote(table) + " " + Quote(cdx) + " POINTER");
    ASSERT_EQ(order.exitCode, 0) << order.err;
    EXPECT_EQ(std::count(order.out.begin(), order.out.end(), '\n'), 301);
    EXPECT_EQ(RunTool(dir_, "seek " + Quote(table) + " " + Quote(cdx) + " POINTER F1").out,
              "301\n");
    ToolRun byName = RunTool(dir_, "order " + Quote(table) + " " + Quote(cdx) + " NAME");
    EXPECT_EQ(byName.out.substr(0, 2), "1\n");  // "Smith1, John" sorts first
}

TEST_F(ToolTest, BuildConvertsIbmPcNames) {
    const std::string gedcom = dir_.Write(
        "pc.ged", "0 HEAD\n1 CHAR IBMPC\n0 @I1@ INDI\n1 NAME Ren\x82 /L\x82vy/\n0 TRLR\n");
    const std::string table = dir_.File("PC.DBF");
    ToolRun run = RunTool(dir_, "build " + Quote(gedcom) + " " + Quote(table));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ToolRun dump = RunTool(dir_, "dbf " + Quote(table));
    EXPECT_NE(dump.out.find("|I|Lévy, René "), std::string::npos) << dump.out;
}

TEST_F(ToolTest, BuildProblemsGiveOneErrorLineAndLeaveNoFiles) {
    const std::string gedcom = dir_.Write("tree.ged", SmallGedcom(3));
    for (const std::string& arguments :
         {std::string("build"), "build " + Quote(gedcom),
          "build " + Quote(dir_.File("missing.ged")) + " " + Quote(dir_.File("X.DBF")),
          "build " + Quote(dir_.Path()) + " " + Quote(dir_.File("X.DBF")),
          "build " + Quote(gedcom) + " " + Quote(dir_.File("no/such/X.DBF"))}) {
        ToolRun run = RunTool(dir_, arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments;
        EXPECT_TRUE(run.out.empty()) << arguments;
        const size_t last = run.err.rfind("lineatum-tool: ");
        ASSERT_NE(last, std::string::npos) << arguments << ": " << run.err;
        EXPECT_EQ(run.err.find('\n', last), run.err.size() - 1) << arguments << ": " << run.err;
    }
    EXPECT_FALSE(std::ifstream(dir_.File("X.DBF")).good());
}

// A file that is not GEDCOM is built all the same, with a warning naming it and saying why;
// a GEDCOM file builds without one.
TEST_F(ToolTest, BuildWarnsAboutAFileThatIsNotGedcomAndBuildsAnyway) {
    const std::string page = dir_.Write("page.ged", "<html>\n<body>Family</body>\n</html>\n");
    ToolRun run = RunTool(dir_, "build " + Quote(page) + " " + Quote(dir_.File("PAGE.DBF")));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1),
              "lineatum-tool: warning: " + page +
                  " is not a GEDCOM file: its first line is \"<html>\", not \"0 HEAD\"; building "
                  "anyway\n");
    EXPECT_TRUE(std::ifstream(dir_.File("PAGE.DBF")).good());
    EXPECT_TRUE(std::ifstream(dir_.File("PAGE.CDX")).good());

    const std::string gedcom = dir_.Write("tree.ged", SmallGedcom(3));
    run = RunTool(dir_, "build " + Quote(gedcom) + " " + Quote(dir_.File("TREE.DBF")));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.find("warning"), std::string::npos) << run.err;
}

// --help lists every command on stdout and succeeds; --version names the program.
TEST_F(ToolTest, HelpAndVersionAnswerOnStdout) {
    ToolRun help = RunTool(dir_, "--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.err.empty()) << help.err;
    for (const char* command : {"lines FILE", "build FILE.ged LOOKUP.DBF",
                                "person FILE.ged LOOKUP.DBF POINTER", "surname LOOKUP.DBF SURNAME"}) {
        EXPECT_NE(help.out.find(std::string("  lineatum-tool ") + command + "\n"), std::string::npos)
            << help.out;
    }
    ToolRun version = RunTool(dir_, "--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.substr(0, 14), "lineatum-tool ") << version.out;
    EXPECT_EQ(version.out.back(), '\n');
}

// --- person ---------------------------------------------------------------------------------

// The lines from the heading `first` up to, not including, the heading `next` (or the end).
std::vector<std::string> Section(const std::string& text, const std::string& first,
                                 const std::string& next) {
    std::vector<std::string> lines = Lines(text);
    auto begin = std::find(lines.begin(), lines.end(), first);
    auto end = std::find(begin, lines.end(), next);
    return std::vector<std::string>(begin, end);
}

// Ann (I1) has a father but no mother, a sister, a note of two lines and one marriage without
// a partner and with one child.
std::string FamilyGedcom() {
    return "0 HEAD\r\n1 CHAR ANSI\r\n"
           "0 @I1@ INDI\r\n1 NAME Ann /Lee/\r\n1 SEX F\r\n1 BIRT\r\n2 DATE 1 JAN 1900\r\n"
           "2 PLAC York\r\n1 FAMC @F1@\r\n1 FAMS @F2@\r\n1 NOTE First line\r\n"
           "2 CONT Second line\r\n"
           "0 @I2@ INDI\r\n1 NAME Bob /Lee/\r\n1 SEX M\r\n1 FAMS @F1@\r\n"
           "0 @I3@ INDI\r\n1 NAME Cat /Lee/\r\n1 FAMC @F1@\r\n"
           "0 @I4@ INDI\r\n1 NAME Dan /Lee/\r\n1 FAMC @F2@\r\n"
           "0 @F1@ FAM\r\n1 HUSB @I2@\r\n1 CHIL @I1@\r\n1 CHIL @I3@\r\n"
           "0 @F2@ FAM\r\n1 WIFE @I1@\r\n1 MARR\r\n2 DATE 2 FEB 1920\r\n1 CHIL @I4@\r\n"
           "0 TRLR\r\n";
}

class PersonToolTest : public ToolTest {
protected:
    // Builds the lookup table of `gedcom` with the tool; returns the table's path.
    std::string Build(const std::string& gedcom) { return BuildWithTool(dir_, gedcom); }
    ToolRun Person(const std::string& gedcom, const std::string& table,
                   const std::string& pointer) {
        return RunTool(dir_, "person " + Quote(gedcom) + " " + Quote(table) + " " + pointer);
    }
};

TEST_F(PersonToolTest, PrintsEverySectionOfASmallFamily) {
    const std::string gedcom = dir_.Write("family.ged", FamilyGedcom());
    const std::string table = Build(gedcom);
    ToolRun run = Person(gedcom, table, "I1");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "== Pedigree ==\n"
              "Person: Lee, Ann\n"
              "Father: Lee, Bob\n"
              "Mother: Unknown\n"
              "Paternal grandfather: Unknown\n"
              "Paternal grandmother: Unknown\n"
              "Maternal grandfather: Unknown\n"
              "Maternal grandmother: Unknown\n"
              "== Spouses and children ==\n"
              "Spouse 1: Unknown\n"
              "  Marriage date: 2 FEB 1920\n"
              "  Marriage place: \n"
              "  Child 1: Lee, Dan\n"
              "== Siblings ==\n"
              "Sibling 1: Lee, Cat\n"
              "== Narrative ==\n"
              "Ann Lee. Born 1 JAN 1900 York. She was the daughter of Bob Lee. \n"
              "\n"
              "She married Unknown 2 FEB 1920. Children of Ann Lee and Unknown are:\n"
              "\n"
              "1. Dan Lee. \n"
              "\n"
              "\n"
              "Siblings of Ann Lee\n"
              "\n"
              "1. Cat Lee. \n"
              "== Notes ==\n"
              "First line\n"
              "Second line\n");
}

TEST_F(PersonToolTest, PointerMayCarryItsAtSignsAndEmptySectionsStayLabelled) {
    const std::string gedcom = dir_.Write("family.ged", FamilyGedcom());
    const std::string table = Build(gedcom);
    ToolRun run = Person(gedcom, table, "'@I4@'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Section(run.out, "== Spouses and children ==", "== Narrative =="),
              (std::vector<std::string>{"== Spouses and children ==", "== Siblings =="}));
    EXPECT_EQ(Section(run.out, "== Notes ==", ""), std::vector<std::string>{"== Notes =="});
    // Dan's mother is Ann; the family has no husband.
    EXPECT_EQ(Section(run.out, "Mother: Lee, Ann", "Paternal grandfather: Unknown").size(), 1u)
        << run.out;
}

// Leopold_III (I600) of royal92.ged: both parents, all four grandparents, two siblings and two
// marriages with three children each. Expected from the records I600, F423, F216, F429, F422,
// F441 and the persons they name.
TEST_F(PersonToolTest, RoyalPersonWithTwoMarriagesMatchesTheFile) {
    const std::string gedcom = std::string(LINEATUM_SAMPLES_DIR) + "/royal92.ged";
    ASSERT_TRUE(std::filesystem::exists(gedcom)) << "royal92.ged missing from the test data";
    const std::string table = Build(gedcom);
    ToolRun run = Person(gedcom, table, "I600");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Section(run.out, "== Pedigree ==", "== Narrative =="),
              (std::vector<std::string>{
                  "== Pedigree ==",
                  "Person: , Leopold_III",
                  "Father: , Albert_I",
                  "Mother: , Elisabeth of_Bavaria",
                  "Paternal grandfather: , Philip of_Flanders",
                  "Paternal grandmother: Hohenzollern, Marie",
                  "Maternal grandfather: , Karl Theodor \"Gackl\"",
                  "Maternal grandmother: , Maria Josepha of_Portugal",
                  "== Spouses and children ==",
                  "Spouse 1: , Astrid of_Sweden",
                  "  Marriage date: 10 NOV 1926",
                  "  Marriage place: Brussels,Belgium",
                  "  Child 1: , Josephine Charlotte",
                  "  Child 2: , Baudouin_I of_the_Belgians",
                  "  Child 3: , Albert",
                  "Spouse 2: Baels, Mary Liliane",
                  "  Marriage date: 11 SEP 1941",
                  "  Marriage place: Laeken",
                  "  Child 1: , Alexandre",
                  "  Child 2: , Marie Christine",
                  "  Child 3: , Marie Esmeralda",
                  "== Siblings ==",
                  "Sibling 1: , Charles of_Belgium",
                  "Sibling 2: , Marie Jose",
              }));
    const std::vector<std::string> narrative = Section(run.out, "== Narrative ==", "== Notes ==");
    ASSERT_GE(narrative.size(), 2u);
    EXPECT_EQ(narrative[1],
              "Leopold_III . Born 3 NOV 1901 Brussels,Belgium. Died 25 SEP 1983 Near "
              "Brussels,Belgium. He was the son of Albert_I  and Elisabeth of_Bavaria . ");
    // Astrid's death place is the DEAT block's first PLAC; her burial's PLAC is not read.
    EXPECT_NE(std::find(narrative.begin(), narrative.end(),
                        "He married Astrid of_Sweden  10 NOV 1926 in Brussels,Belgium. Born 17 "
                        "NOV 1905 . Died 29 AUG 1935 Kussnacht,Switzerland. Children of "
                        "Leopold_III  and Astrid of_Sweden  are:"),
              narrative.end())
        << run.out;
    EXPECT_EQ(narrative.back(), "2. Marie Jose . Born 1906 . ");
    EXPECT_EQ(Section(run.out, "== Notes ==", ""), std::vector<std::string>{"== Notes =="});
}

// Names and notes print as the file writes them, whatever its character set, while the table
// stores them in Windows-1252; lines that break their character set's rules still print.
TEST_F(PersonToolTest, AccentedNamesAndNotesPrintAsTheFileWritesThem) {
    const std::string samples = LINEATUM_SAMPLES_DIR;
    const auto person = [&](const std::string& file, const std::string& pointer) {
        const std::string gedcom = samples + "/" + file;
        const std::string table = file.substr(0, file.find('.')) + ".DBF";
        const ToolRun run = Person(gedcom, BuildWithTool(dir_, gedcom, table), pointer);
        EXPECT_EQ(run.exitCode, 0) << file << ": " << run.err;
        return run.out;
    };
    const auto notes = [](const std::string& out) { return Section(out, "== Notes ==", ""); };
    // The first line of the output that begins with `start`.
    const auto line = [](const std::string& out, const std::string& start) {
        for (const std::string& text : Lines(out)) {
            if (text.rfind(start, 0) == 0) return text;
        }
        return std::string();
    };
    // UTF-16, both byte orders: letters beyond Windows-1252, a character beyond the BMP, and
    // an unpaired surrogate that reads as U+FFFD.
    std::string out = person("utf16le.ged", "I1");
    EXPECT_EQ(line(out, "Person: "), "Person: Dvořák, Antonín") << out;
    EXPECT_EQ(line(out, "Spouse 1: "), "Spouse 1: Čermáková, Anna") << out;
    EXPECT_EQ(notes(out), (std::vector<std::string>{"== Notes ==",
                                                    "Skladatel, žák varhanické školy v Praze.",
                                                    "Symfonie č. 9 „Z Nového světa“ 𝄞",
                                                    "Nepárová náhrada: [�] konec."}));
    out = person("utf16be.ged", "I6");
    EXPECT_EQ(line(out, "Person: "), "Person: Šimek, Łukasz") << out;
    // ANSEL: marks before their letters, and letters of their own.
    out = person("ansel-names.ged", "I1");
    EXPECT_EQ(line(out, "Person: "), "Person: Dvořák, Antonín") << out;
    EXPECT_EQ(line(out, "Symphony"), "Symphony No. 9 \"Z Nového světa\", first played in 1893.");
    EXPECT_EQ(line(person("ansel-names.ged", "I5"), "Person: "), "Person: Nguyễn, Văn");
    // The torture test's note records use every ANSEL character.
    out = person("TGC55CLF.ged", "I14");
    EXPECT_EQ(line(out, "ÁB́ĆD́"), "ÁB́ĆD́ÉF́ǴH́ÍJ́ḰĹḾ") << out;
    EXPECT_EQ(line(out, "ǍB̌Č"), "ǍB̌ČĎĚF̌ǦȞǏJ̌ǨĽM̌") << out;
    out = person("TGC55CLF.ged", "I13");
    EXPECT_EQ(line(out, "A1 "), "A1 slash l - uppercase (Ł)") << out;
    EXPECT_EQ(line(out, "A9 "), "A9 musical flat (♭)") << out;
    // Mac OS Roman.
    out = person("macroman.ged", "I1");
    EXPECT_EQ(line(out, "Person: "), "Person: Muñoz, José") << out;
    EXPECT_EQ(line(out, "Spouse 1: "), "Spouse 1: Œuvre, Élise") << out;
    EXPECT_EQ(notes(out).at(1), "Né à Málaga; émigré à Zürich.");
    // UTF-8 with stray Windows-1252 lines; a GEDCOM 7 name without slashes.
    EXPECT_EQ(notes(person("utf8-stray.ged", "I1")),
              (std::vector<std::string>{"== Notes ==", "Skladatel, žák varhanické školy v Praze.",
                                        "Œuvre: Symfonie č. 9."}));
    EXPECT_EQ(line(person("utf8-stray.ged", "I2"), "Person: "), "Person: Descartes, René");
    EXPECT_EQ(line(person("utf8-stray.ged", "I4"), "Person: "), "Person: François, ZoÃ«");
    EXPECT_EQ(line(person("gedcom7.ged", "PERSON1"), "Person: "), "Person: , Cher");
    // The table's own text, converted for the terminal.
    const ToolRun dbf = RunTool(dir_, "dbf " + Quote(dir_.File("utf16le.DBF")));
    EXPECT_NE(dbf.out.find("|I|Dvorák, Antonín "), std::string::npos) << dbf.out;
    EXPECT_NE(dbf.out.find("|I|Simek, Lukasz "), std::string::npos) << dbf.out;
}

// A damaged table is said in words, named as it was given (not upper-cased).
TEST_F(PersonToolTest, ADamagedTableIsSaidInWordsWithItsPathAsGiven) {
    const std::string gedcom = dir_.Write("family.ged", FamilyGedcom());
    const std::string table = Build(gedcom);
    const std::string damaged = dir_.Write("Damaged.DBF", ReadFileBytes(table).substr(0, 100));
    std::filesystem::copy_file(table.substr(0, table.size() - 4) + ".CDX", dir_.File("Damaged.CDX"));
    const ToolRun run = Person(gedcom, damaged, "I1");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "lineatum-tool: " + damaged + " is damaged (Zadarir Error 1012, SubCode 1204)\n");
    EXPECT_EQ(run.out, "");
}

TEST_F(PersonToolTest, ProblemsGiveOneErrorLineAndNoOutput) {
    const std::string gedcom = dir_.Write("family.ged", FamilyGedcom());
    const std::string table = Build(gedcom);
    const std::string other = dir_.Write("other.ged", FamilyGedcom());
    const std::string noIndex = dir_.File("NOINDEX.DBF");
    std::filesystem::copy_file(table, noIndex);
    for (const std::string& arguments :
         {std::string("person"), "person " + Quote(gedcom) + " " + Quote(table),
          "person " + Quote(gedcom) + " " + Quote(table) + " I1 I2",
          "person " + Quote(gedcom) + " " + Quote(table) + " ''",
          "person " + Quote(gedcom) + " " + Quote(table) + " '@I1'",
          "person " + Quote(dir_.File("missing.ged")) + " " + Quote(table) + " I1",
          "person " + Quote(dir_.Path()) + " " + Quote(table) + " I1",
          "person " + Quote(other) + " " + Quote(dir_.File("MISSING.DBF")) + " I1",
          "person " + Quote(gedcom) + " " + Quote(noIndex) + " I1",
          "person " + Quote(gedcom) + " " + Quote(table) + " I99",
          "person " + Quote(gedcom) + " " + Quote(table) + " I"}) {
        ToolRun run = RunTool(dir_, arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments;
        EXPECT_TRUE(run.out.empty()) << arguments << ": " << run.out;
        ASSERT_EQ(run.err.rfind("lineatum-tool: ", 0), 0u) << arguments << ": " << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << arguments << ": " << run.err;
    }
    EXPECT_NE(Person(gedcom, table, "I99").err.find("\"I99\""), std::string::npos);
}

}  // namespace
