#include "table/HCreateTable.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>

#include "table/DbfTestUtil.h"
#include "table/EZadarirError.h"
#include "table/HDBFFile.h"
#include "table/HTable.h"
#include "table/Host.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {

// Answers questions with a fixed answer and remembers them.
class AnsweringHost : public HHost {
public:
    bool answer = false;
    std::vector<std::string> questions;
    bool AskYesNo(const std::string& text, const std::string&, bool) override {
        questions.push_back(text);
        return answer;
    }
};

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::string Descriptor(const std::string& name, char type, uint8_t width, uint8_t decimals) {
    std::string d(32, '\0');
    d.replace(0, name.size(), name);
    d[11] = type;
    d[16] = static_cast<char>(width);
    d[17] = static_cast<char>(decimals);
    return d;
}

class HCreateTableTest : public testing::Test {
protected:
    void SetUp() override {
        HDBFFile::SetClock([] {
            HDateTime t;
            t.year = 2026;
            t.month = 3;
            t.day = 4;
            t.hour = 13;
            return t;
        });
        table_.SetDBFPath(dir_.path());
        table_.SetDBFName("T");
        creator_.SetDBFTable(&table_);
        creator_.SetDBFType(HDBFTypes::FoxPro2);
    }
    void TearDown() override {
        InstallHost(nullptr);
        HDBFFile::SetClock(nullptr);
    }
    std::string Path() const { return dir_.File("T.DBF"); }
    std::string Create(const std::vector<std::string>& lines) {
        creator_.SetCreateFields(lines);
        EXPECT_TRUE(creator_.Execute());
        return ReadFile(Path());
    }
    // Execute must fail with an exception of type E and message `message`, writing nothing.
    template <class E>
    void ExpectRefused(const std::vector<std::string>& lines, const std::string& message) {
        SCOPED_TRACE(lines.empty() ? std::string("(empty)") : lines.back());
        creator_.SetCreateFields(lines);
        try {
            creator_.Execute();
            ADD_FAILURE() << "no exception";
        } catch (const E& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
        EXPECT_FALSE(Exists(Path()));
    }

    TempDir dir_;
    HTable table_;
    HCreateTable creator_;
};

TEST_F(HCreateTableTest, LookupTableListGivesTheGoldenFile) {
    const std::string bytes =
        Create({"RTYPE;C;1;0", "NAME;C;70;0", "POINTER;C;20;0", "OFFSET;N;10;0"});
    const std::string golden =
        ReadHexText(std::string(LINEATUM_TABLE_TESTDATA) + "/lookup_empty.hex.txt");
    ASSERT_EQ(golden.size(), 162u);
    EXPECT_EQ(bytes, golden);
    EXPECT_FALSE(Exists(dir_.File("T.FPT")));
}

TEST_F(HCreateTableTest, MasterTableListGivesHeader161AndRecord451) {
    const std::string bytes =
        Create({"GEDFILE;C;200;0", "GEDPATH;C;200;0", "INDEXFILE;C;30;0", "LASTUSED;C;20;0"});
    std::string want("\x03\x1A\x03\x04\0\0\0\0\xA1\x00\xC3\x01", 12);
    want += std::string(20, '\0');
    want += Descriptor("GEDFILE", 'C', 200, 0) + Descriptor("GEDPATH", 'C', 200, 0) +
            Descriptor("INDEXFILE", 'C', 30, 0) + Descriptor("LASTUSED", 'C', 20, 0);
    want += "\x0D\x1A";
    EXPECT_EQ(bytes, want);
}

TEST_F(HCreateTableTest, LowerCaseLineGivesUpperCaseNameAndType) {
    const std::string bytes = Create({"name;c;10;0"});
    EXPECT_EQ(bytes.substr(32, 32), Descriptor("NAME", 'C', 10, 0));
}

TEST_F(HCreateTableTest, FieldsAreNormalisedByType) {
    const std::string bytes = Create({"DATE;D;20;2", "FLAG;L;5;3", "AMOUNT;N;12;2", "RATE;F;9;4",
                                      "LONG;C;300;7", "NAMEISTOOLONG;C;5;0"});
    EXPECT_EQ(bytes.substr(32, 32), Descriptor("DATE", 'D', 8, 0));
    EXPECT_EQ(bytes.substr(64, 32), Descriptor("FLAG", 'L', 1, 0));
    EXPECT_EQ(bytes.substr(96, 32), Descriptor("AMOUNT", 'N', 12, 2));
    EXPECT_EQ(bytes.substr(128, 32), Descriptor("RATE", 'F', 9, 4));
    // 300 = 1 x 256 + 44: the high byte takes the place of the decimals, which are ignored.
    EXPECT_EQ(bytes.substr(160, 32), Descriptor("LONG", 'C', 44, 1));
    EXPECT_EQ(bytes.substr(192, 32), Descriptor("NAMEISTOOL", 'C', 5, 0));
    // Header 32 + 6 x 32 + 1 = 225; record 1 + 8 + 1 + 12 + 9 + 300 + 5 = 336.
    EXPECT_EQ(bytes.substr(8, 4), std::string("\xE1\x00\x50\x01", 4));
    EXPECT_EQ(bytes.size(), 225u + 1u);
}

TEST_F(HCreateTableTest, MemoFieldGivesMemoVersionAndEmptyMemoFile) {
    struct Case {
        HDBFTypes type;
        char version;
        const char* memoFile;
        std::string memoBytes;
    };
    std::string fox(512, '\0');
    fox[3] = 8;   // next free block: 512 / 64
    fox[7] = 64;  // block size
    std::string dbase3(512, '\0');
    dbase3[0] = 1;  // next free block
    std::string dbase4 = dbase3;
    dbase4[21] = 2;  // block size 512
    for (const Case& c : {Case{HDBFTypes::FoxPro2, '\xF5', "T.FPT", fox},
                          Case{HDBFTypes::DBaseIII, '\x83', "T.DBT", dbase3},
                          Case{HDBFTypes::DBaseIV, '\x8B', "T.DBT", dbase4}}) {
        SCOPED_TRACE(c.memoFile);
        creator_.SetDBFType(c.type);
        creator_.SetAutoOverwrite(true);
        const std::string bytes = Create({"MEMO;M;4;0"});
        EXPECT_EQ(bytes[0], c.version);
        EXPECT_EQ(bytes.substr(32, 32), Descriptor("MEMO", 'M', 10, 0));
        ASSERT_TRUE(Exists(dir_.File(c.memoFile)));
        EXPECT_EQ(ReadFile(dir_.File(c.memoFile)), c.memoBytes);
        std::remove(dir_.File(c.memoFile).c_str());
    }
    for (const char* line : {"PIC;G;4;0", "BLOB;B;4;0"}) {
        creator_.SetDBFType(HDBFTypes::FoxPro2);
        Create({"NAME;C;5;0", line});
        EXPECT_EQ(ReadFile(Path())[0], '\xF5') << line;
    }
}

TEST_F(HCreateTableTest, InvalidListsRaiseAndWriteNothing) {
    const std::vector<std::vector<std::string>> lists = {
        {},
        {"NAME;CC;10;0"},
        {"NAME;C;10"},
        {"NAME"},
        {""},
        {"NAME;;10;0"},
        {"A;C;1;0", "B;C;1"},
        {"NAME;C;1;0", "name;N;2;0"},
        {"ABCDEFGHIJK;C;1;0", "ABCDEFGHIJL;C;1;0"},  // same first ten characters
        {";C;1;0"},                                  // no field at all
    };
    for (const auto& list : lists) ExpectRefused<EZadarirError>(list, "Field list is invalid");
}

TEST_F(HCreateTableTest, WidthsThatAreNotNumbersRaiseConversionErrors) {
    ExpectRefused<std::invalid_argument>({"NAME;C;x;0"}, "'x' is not a valid integer value");
    ExpectRefused<std::invalid_argument>({"NAME;C;10;"}, "'' is not a valid integer value");
    ExpectRefused<std::invalid_argument>({"NAME;C;10;0;"}, "'0;' is not a valid integer value");
    // Every line is checked before anything is written.
    ExpectRefused<std::invalid_argument>({"A;C;1;0", "B;N;1 0;0"},
                                         "'1 0' is not a valid integer value");
}

TEST_F(HCreateTableTest, WidthsOutOfRangeRaiseRangeErrors) {
    ExpectRefused<std::out_of_range>({"N;N;256;0"}, "Range check error");
    ExpectRefused<std::out_of_range>({"N;N;10;256"}, "Range check error");
    ExpectRefused<std::out_of_range>({"C;C;65536;0"}, "Range check error");
    ExpectRefused<std::out_of_range>({"C;C;-1;0"}, "Range check error");
    // Record length and header length are 16-bit in the header.
    ExpectRefused<std::out_of_range>({"A;C;65535;0"}, "Range check error");
    ExpectRefused<std::out_of_range>({"A;C;40000;0", "B;C;30000;0"}, "Range check error");
    // The field list is checked before the ranges.
    ExpectRefused<EZadarirError>({"N;N;256;0", "X;C;1"}, "Field list is invalid");
}

TEST_F(HCreateTableTest, WithoutTableOrOnAnOpenTableRaises) {
    HCreateTable bare;
    bare.SetCreateFields({"NAME;C;10;0"});
    try {
        bare.Execute();
        ADD_FAILURE();
    } catch (const EZadarirError& e) {
        EXPECT_STREQ(e.what(), "A table is not assigned");
    }
    Create({"NAME;C;10;0"});
    table_.SetActive(true);
    try {
        creator_.Execute();
        ADD_FAILURE();
    } catch (const EZadarirError& e) {
        EXPECT_STREQ(e.what(), "Cannot perform this operation on an open table");
    }
}

TEST_F(HCreateTableTest, ExistingFileIsKeptUnlessTheUserAgrees) {
    WriteFile(Path(), "keep me");
    creator_.SetCreateFields({"NAME;C;10;0"});
    // Headless the question is answered with "keep the data".
    EXPECT_FALSE(creator_.Execute());
    EXPECT_EQ(ReadFile(Path()), "keep me");

    AnsweringHost host;
    InstallHost(&host);
    EXPECT_FALSE(creator_.Execute());
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0], "Table exists.  Do you want to overwrite?");
    EXPECT_EQ(ReadFile(Path()), "keep me");

    host.answer = true;
    EXPECT_TRUE(creator_.Execute());
    EXPECT_EQ(ReadFile(Path()).size(), 32u + 32u + 2u);

    creator_.SetAutoOverwrite(true);
    host.answer = false;
    EXPECT_TRUE(creator_.Execute());
    EXPECT_EQ(host.questions.size(), 2u);  // not asked again
}

TEST_F(HCreateTableTest, KeepOpenOpensTheTableAndKeepsExclusive) {
    creator_.SetKeepOpen(true);
    table_.SetExclusive(false);
    Create({"NAME;C;10;0", "AGE;N;3;0"});
    ASSERT_TRUE(table_.Active());
    EXPECT_EQ(table_.FieldCount(), 2);
    EXPECT_EQ(table_.RecordCount(), 0);
    EXPECT_FALSE(table_.Exclusive());
}

TEST_F(HCreateTableTest, FileThatCannotBeCreatedIsReportedWithSubCode1108) {
    table_.SetDBFPath(dir_.File("missing"));
    std::vector<std::tuple<int, int, std::string>> errors;
    table_.OnZadarirError = [&](int code, int info, const std::string& text) {
        errors.emplace_back(code, info, text);
    };
    creator_.SetCreateFields({"NAME;C;10;0"});
    EXPECT_FALSE(creator_.Execute());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(std::get<0>(errors[0]), 2);
    EXPECT_EQ(std::get<1>(errors[0]), 1108);

    // Without a handler the error is raised.
    table_.OnZadarirError = nullptr;
    EXPECT_THROW(creator_.Execute(), EZadarirError);
}

TEST_F(HCreateTableTest, FileOpenInThisProgramIsNotReplaced) {
    Create({"NAME;C;10;0"});
    HTable other;
    other.SetDBFPath(dir_.path());
    other.SetDBFName("T.DBF");
    other.SetActive(true);
    creator_.SetAutoOverwrite(true);
    creator_.SetCreateFields({"OTHER;C;5;0"});
    int code = 0;
    table_.OnZadarirError = [&](int c, int, const std::string&) { code = c; };
    EXPECT_FALSE(creator_.Execute());
    EXPECT_EQ(code, 12);
    EXPECT_EQ(ReadFile(Path()).substr(32, 4), "NAME");
}

TEST_F(HCreateTableTest, CreatedTableOpensThroughTheComponent) {
    Create({"RTYPE;C;1;0", "NAME;C;70;0", "POINTER;C;20;0", "OFFSET;N;10;0"});
    table_.SetActive(true);
    ASSERT_EQ(table_.FieldCount(), 4);
    EXPECT_EQ(table_.FieldName(4), "OFFSET");
    EXPECT_EQ(table_.FieldWidth(2), 70);
    EXPECT_TRUE(table_.Bof() && table_.Eof());
}

// Python's dbfread, an independent reader, sees the fields as created and the records as
// posted through the component. Skipped when it is missing.
TEST_F(HCreateTableTest, CreatedAndFilledTableReadsTheSameInDbfread) {
    if (std::system("/usr/bin/python3 -c 'import dbfread' 2>/dev/null") != 0) {
        GTEST_SKIP() << "python3-dbfread not installed";
    }
    Create({"NAME;C;300;0", "AMOUNT;N;9;2", "BORN;D;8;0", "OK;L;1;0"});
    table_.SetTransliterate(false);
    table_.SetActive(true);
    table_.Append();
    table_.StringPutN(1, "Anna Smith");
    table_.StringPutN(2, "3.5");
    table_.StringPutN(3, "12/31/1999");
    table_.StringPutN(4, "T");
    ASSERT_TRUE(table_.Post());
    table_.Append();
    table_.StringPut("NAME", "Bob");
    table_.NumberPut("AMOUNT", -12.25);
    ASSERT_TRUE(table_.Post());
    table_.SetActive(false);

    const std::string script = dir_.File("read.py");
    std::ofstream(script) << R"(import sys, dbfread
t = dbfread.DBF(sys.argv[1])
print(*[(f.name, f.type, f.length, f.decimal_count) for f in t.fields], sep='|')
for r in t:
    born = r['BORN'].isoformat() if r['BORN'] else '-'
    print(r['NAME'], repr(r['AMOUNT']), born, r['OK'], sep='|')
)";
    const std::string out = dir_.File("out.txt");
    ASSERT_EQ(std::system(("/usr/bin/python3 " + script + " " + Path() + " > " + out).c_str()), 0);
    EXPECT_EQ(ReadFile(out),
              "('NAME', 'C', 300, 0)|('AMOUNT', 'N', 9, 2)|('BORN', 'D', 8, 0)|('OK', 'L', 1, 0)\n"
              "Anna Smith|3.5|1999-12-31|True\n"
              "Bob|-12.25|-|None\n");
}

}  // namespace
