// Independent readers and writers of the same file format agree with the engine: Perl's
// XBase module writes a table the engine reads, and Python's dbfread reads a table the engine
// writes. Skipped when either tool is missing.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "table/DbfDate.h"
#include "table/DbfTestUtil.h"
#include "table/HDBFTable.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {

// Runs a shell command, collecting its standard output; true when it exited with 0.
bool RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return false;
    char chunk[4096];
    size_t n;
    output->clear();
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output->append(chunk, n);
    return ::pclose(pipe) == 0;
}

bool HavePerlXBase() {
    std::string out;
    return RunCommand("/usr/bin/perl -MXBase -e 1 2>/dev/null", &out);
}

bool HaveDbfread() {
    std::string out;
    return RunCommand("/usr/bin/python3 -c 'import dbfread' 2>/dev/null", &out);
}

std::string TrimRight(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

TEST(DbfOracleTest, TableWrittenByPerlXBaseReadsFieldForField) {
    if (!HavePerlXBase()) GTEST_SKIP() << "Perl XBase (libdbd-xbase-perl) not installed";
    TempDir dir;
    const std::string path = dir.File("xbase.dbf");  // XBase adds ".dbf" to other names
    const std::string script = dir.File("write.pl");
    std::ofstream(script) << R"(use XBase;
my $t = XBase->create(name => $ARGV[0],
    field_names => ["NAME", "AMOUNT", "COUNT", "BORN", "OK"],
    field_types => ["C", "N", "N", "D", "L"],
    field_lengths => [25, 9, 6, 8, 1], field_decimals => [0, 2, 0, 0, 0]) or die XBase->errstr;
$t->set_record(0, "Anna Smith", 3.5, 42, "19991231", 1) or die $t->errstr;
$t->set_record(1, "B\xe9la Kov\xe1cs", -12.25, -7, "20000229", 0) or die $t->errstr;
$t->set_record(2, "Zo\xeb", 123456.78, 0, "17760704", 1) or die $t->errstr;
$t->delete_record(2);
$t->close;
)";
    std::string out;
    ASSERT_TRUE(RunCommand("/usr/bin/perl " + script + " " + path, &out)) << out;

    HDBFTable table;
    ErrorLog log;
    log.Attach(table);
    ASSERT_TRUE(table.Open(path, {HFileAccess::Read, HFileShare::DenyNone}));
    ASSERT_EQ(table.RecordCount(), 3);
    ASSERT_EQ(table.FieldCount(), 5);
    EXPECT_EQ(table.Field(2).decimals, 2);

    struct Row {
        const char* name;
        double amount;
        double count;
        int32_t born;
        const char* ok;
        bool deleted;
    };
    const Row rows[] = {
        {"Anna Smith", 3.5, 42, DbfJulianDay(1999, 12, 31), "T", false},
        {"B\xe9"
         "la Kov\xe1"
         "cs",
         -12.25, -7, DbfJulianDay(2000, 2, 29), "F", false},
        {"Zo\xeb", 123456.78, 0, DbfJulianDay(1776, 7, 4), "T", true},
    };
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        const Row& row = rows[n - 1];
        ASSERT_TRUE(table.Go(n));
        EXPECT_EQ(TrimRight(table.FieldGet("NAME")), row.name);
        EXPECT_DOUBLE_EQ(table.NumberGet("AMOUNT"), row.amount);
        EXPECT_DOUBLE_EQ(table.NumberGet("COUNT"), row.count);
        EXPECT_EQ(table.DateGet("BORN"), row.born);
        EXPECT_EQ(table.DisplayText(5), row.ok);
        EXPECT_EQ(table.Deleted(), row.deleted);
    }
    EXPECT_TRUE(log.empty());
}

TEST(DbfOracleTest, TableWrittenByTheEngineReadsTheSameInDbfread) {
    if (!HaveDbfread()) GTEST_SKIP() << "python3-dbfread not installed";
    TempDir dir;
    const std::string path = dir.File("ENGINE.DBF");
    const std::vector<FieldSpec> fields = {{"NAME", 'C', 300, 0},
                                           {"AMOUNT", 'N', 9, 2},
                                           {"COUNT", 'N', 6, 0},
                                           {"BORN", 'D', 8, 0},
                                           {"OK", 'L', 1, 0}};
    WriteFile(path, BuildTable(0x03, fields));
    {
        HDBFTable table;
        ASSERT_TRUE(table.Open(path, {HFileAccess::ReadWrite, HFileShare::Exclusive}));
        struct Row {
            const char* name;
            double amount;
            double count;
            const char* born;
            const char* ok;
        };
        const Row rows[] = {{"Anna Smith", 3.5, 42, "19991231", "T"},
                            {"B\xe9"
                             "la Kov\xe1"
                             "cs",
                             -12.25, -7, "20000229", "F"},
                            {"gone", 1, 1, "20010101", "T"},
                            {"Zo\xeb", 123456.78, 0, "", "F"}};
        for (const Row& row : rows) {
            table.BlankRecord();
            table.FieldPut("NAME", row.name);
            table.NumberPut("AMOUNT", row.amount);
            table.NumberPut("COUNT", row.count);
            table.FieldPut("BORN", row.born);
            table.FieldPut("OK", row.ok);
            ASSERT_TRUE(table.AppendRecord());
        }
        ASSERT_TRUE(table.Go(3));
        ASSERT_TRUE(table.DeleteRecord());
    }
    const std::string script = dir.File("read.py");
    std::ofstream(script) << R"(import sys, dbfread
for r in dbfread.DBF(sys.argv[1], encoding='cp1252'):
    born = r['BORN'].isoformat() if r['BORN'] else '-'
    print(r['NAME'], repr(r['AMOUNT']), r['COUNT'], born, r['OK'], sep='|')
)";
    std::string out;
    ASSERT_TRUE(RunCommand("/usr/bin/python3 " + script + " " + path, &out)) << out;
    EXPECT_EQ(out,
              "Anna Smith|3.5|42|1999-12-31|True\n"
              "B\xc3\xa9la Kov\xc3\xa1"
              "cs|-12.25|-7|2000-02-29|False\n"
              "Zo\xc3\xab|123456.78|0|-|False\n");
}

}  // namespace
