#include "table/HDBFFile.h"

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>

#include "table/CharServices.h"
#include "table/DbfDate.h"
#include "table/DbfTestUtil.h"
#include "table/EZadarirError.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {

HDateTime FixedClock() { return {2026, 3, 4, 13, 45, 30, 250}; }

class HDBFFileTest : public testing::Test {
protected:
    void SetUp() override { HDBFFile::SetClock(FixedClock); }
    void TearDown() override { HDBFFile::SetClock(nullptr); }

    std::string Make(const std::string& name, const std::string& bytes) {
        std::string path = dir_.File(name);
        WriteFile(path, bytes);
        return path;
    }
    std::string MakeLookup(const std::vector<std::vector<std::string>>& rows = {},
                           const std::string& name = "LOOKUP.DBF") {
        std::vector<std::string> records;
        for (const auto& row : rows) records.push_back(BuildRecord(LookupFields(), row));
        return Make(name, BuildTable(0x03, LookupFields(), records));
    }
    static HOpenMode Shared() { return {HFileAccess::ReadWrite, HFileShare::DenyNone}; }
    static HOpenMode Exclusive() { return {HFileAccess::ReadWrite, HFileShare::Exclusive}; }
    static HOpenMode ReadOnly() { return {HFileAccess::Read, HFileShare::DenyNone}; }

    TempDir dir_;
};

// --- Opening ------------------------------------------------------------------------------

TEST_F(HDBFFileTest, LookupLayoutOpensWithItsFieldOffsets) {
    std::string path = MakeLookup();
    ASSERT_EQ(ReadFile(path).size(), 162u);
    HDBFFile table;
    ASSERT_TRUE(table.Open(path, Shared()));
    EXPECT_EQ(table.HeaderLength(), 161);
    EXPECT_EQ(table.RecordLength(), 102);
    EXPECT_EQ(table.RecordCount(), 0);
    ASSERT_EQ(table.FieldCount(), 4);
    EXPECT_EQ(table.Field(1).offset, 1);
    EXPECT_EQ(table.Field(2).offset, 2);
    EXPECT_EQ(table.Field(3).offset, 72);
    EXPECT_EQ(table.Field(4).offset, 92);
    EXPECT_EQ(table.Field(4).number, 4);
    EXPECT_TRUE(table.Bof());
    EXPECT_FALSE(table.Eof());
}

TEST_F(HDBFFileTest, NameWithoutExtensionGetsDbf) {
    MakeLookup();
    HDBFFile table;
    ASSERT_TRUE(table.Open(dir_.File("LOOKUP"), Shared()));
    EXPECT_EQ(table.Path(), dir_.File("LOOKUP.DBF"));
}

TEST_F(HDBFFileTest, LowerCaseExtensionIsFoundWhenOnlyItExists) {
    MakeLookup({}, "lower.dbf");
    HDBFFile table;
    ASSERT_TRUE(table.Open(dir_.File("lower"), Shared()));
    EXPECT_EQ(table.Path(), dir_.File("lower.dbf"));
}

TEST_F(HDBFFileTest, RecordCountComesFromTheFileSize) {
    std::vector<std::string> records;
    for (int i = 0; i < 12; ++i) records.push_back(BuildRecord(LookupFields(), {"I", "N"}));
    std::string bytes = BuildTable(0x03, LookupFields(), records, 10);
    bytes += "partial";  // an incomplete record after the end-of-file byte counts for nothing
    HDBFFile table;
    ASSERT_TRUE(table.Open(Make("T.DBF", bytes), Shared()));
    EXPECT_EQ(table.RecordCount(), 12);
}

TEST_F(HDBFFileTest, WideCharacterFieldUsesBothWidthBytes) {
    std::vector<FieldSpec> fields = {{"LONG", 'C', 300, 0}, {"N", 'N', 3, 0}};
    std::string bytes = BuildTable(0x03, fields, {BuildRecord(fields, {"abc", "7"})});
    EXPECT_EQ(static_cast<uint8_t>(bytes[32 + 16]), 44);
    EXPECT_EQ(static_cast<uint8_t>(bytes[32 + 17]), 1);
    HDBFFile table;
    ASSERT_TRUE(table.Open(Make("W.DBF", bytes), Shared()));
    EXPECT_EQ(table.Field(1).width, 300);
    EXPECT_EQ(table.Field(2).offset, 301);
    EXPECT_EQ(table.RecordLength(), 304);
    ASSERT_TRUE(table.ReadRecord(1));
    EXPECT_EQ(table.FieldGet(1), "abc" + std::string(297, ' '));
    EXPECT_EQ(table.NumberGet(2), 7);
}

struct BrokenCase {
    const char* name;
    std::function<std::string()> bytes;
    int code;
};

TEST_F(HDBFFileTest, BrokenFilesAreRefusedWithAnEngineError) {
    const std::string good = BuildTable(0x03, LookupFields(), {BuildRecord(LookupFields(), {"I"})});
    auto patch16 = [good](size_t at, int value) {
        std::string b = good;
        b[at] = static_cast<char>(value & 0xFF);
        b[at + 1] = static_cast<char>(value >> 8);
        return b;
    };
    std::vector<BrokenCase> cases = {
        {"empty file", [] { return std::string(); }, 221},
        {"shorter than a header", [] { return std::string(20, '\x03'); }, 221},
        {"unknown version",
         [good] {
             std::string b = good;
             b[0] = 0x04;
             return b;
         },
         1001},
        {"garbage",
         [] {
             std::string b(500, '\0');
             std::mt19937 r(7);
             for (char& c : b) c = static_cast<char>(r());
             b[0] = 0x7F;
             return b;
         },
         1001},
        {"header longer than the file", [=] { return patch16(8, 5000); }, 1012},
        {"header too short for a field", [=] { return patch16(8, 64); }, 1012},
        {"header length zero", [=] { return patch16(8, 0); }, 1012},
        {"record length zero", [=] { return patch16(10, 0); }, 1012},
        {"record length one", [=] { return patch16(10, 1); }, 1012},
        {"record shorter than its fields", [=] { return patch16(10, 101); }, 1012},
        {"descriptor block cut short", [good] { return good.substr(0, 100); }, 1012},
        {"no fields",
         [good] {
             std::string b = good;
             b[32] = 0x0D;
             return b;
         },
         1012},
        {"fox header without room for its backlink",
         [good] {
             std::string b = good;
             b[0] = 0x30;
             return b;
         },
         1012},
    };
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = Make("BROKEN.DBF", c.bytes());
        HDBFFile table;
        ErrorLog log;
        log.Attach(table);
        EXPECT_FALSE(table.Open(path, Shared()));
        ASSERT_EQ(log.entries.size(), 1u);
        EXPECT_EQ(log.last().code, c.code);
        EXPECT_EQ(log.last().subCode, 1204);
        EXPECT_EQ(log.last().text, AnsiUpper(path));
        EXPECT_FALSE(table.IsOpen());
        EXPECT_FALSE(table.ReadRecord(1));  // a closed table refuses, without crashing
    }
}

TEST_F(HDBFFileTest, MutatedHeadersNeverCrash) {
    std::vector<std::string> records;
    for (int i = 0; i < 3; ++i) records.push_back(BuildRecord(LookupFields(), {"I", "X"}));
    const std::string good = BuildTable(0x03, LookupFields(), records);
    std::mt19937 random(12345);
    for (int round = 0; round < 250; ++round) {
        std::string b = good;
        for (int k = 0; k < 4; ++k) {
            b[random() % 200] = static_cast<char>(random());
        }
        if (round % 3 == 0) b.resize(random() % b.size());
        std::string path = Make("FUZZ.DBF", b);
        HDBFFile table;
        ErrorLog log;
        log.Attach(table);
        if (!table.Open(path, ReadOnly())) continue;
        for (int n = 1; n <= table.RecordCount() && n < 50; ++n) {
            table.ReadRecord(n);
            for (int f = 1; f <= table.FieldCount(); ++f) {
                table.FieldGet(f);
                table.DisplayText(f);
            }
        }
        table.ReadRecord(hmove::kNext);
    }
}

TEST_F(HDBFFileTest, WrongVersionMessageNamesTheUpperCasePath) {
    std::string bytes = BuildTable(0x03, LookupFields());
    bytes[0] = 0x02;
    std::string path = Make("lower.dbf", bytes);
    HDBFFile table;
    try {
        table.Open(path, Shared());
        FAIL() << "no exception";
    } catch (const EZadarirError& e) {
        EXPECT_EQ(std::string(e.what()), "Zadarir Error 1001, SubCode 1204.\r" + AnsiUpper(path));
    }
}

TEST_F(HDBFFileTest, MissingTableIsError2WithOpenSubCode) {
    HDBFFile table;
    ErrorLog log;
    log.Attach(table);
    EXPECT_FALSE(table.Open(dir_.File("none"), Shared()));
    EXPECT_EQ(log.last().code, 2);
    EXPECT_EQ(log.last().subCode, 1204);
    EXPECT_EQ(log.last().text, AnsiUpper(dir_.File("none.DBF")));
}

// --- Reading ------------------------------------------------------------------------------

TEST_F(HDBFFileTest, ReadingPastTheEnd) {
    std::string path = MakeLookup({{"I", "A"}, {"I", "B"}});
    HDBFFile table;
    ErrorLog log;
    log.Attach(table);
    ASSERT_TRUE(table.Open(path, Shared()));
    ASSERT_TRUE(table.ReadRecord(2));
    EXPECT_FALSE(table.ReadRecord(3));  // one past the end: no error
    EXPECT_TRUE(table.Eof());
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(table.RecNo(), 2);
    EXPECT_EQ(table.FieldGet(2).substr(0, 1), "B");
    EXPECT_FALSE(table.ReadRecord(4));
    EXPECT_EQ(log.last().code, 1002);
    EXPECT_EQ(log.last().subCode, 1207);
}

TEST_F(HDBFFileTest, ReadingRecordZeroSetsBothFlags) {
    std::string path = MakeLookup({{"I", "A"}});
    HDBFFile table;
    ErrorLog log;
    log.Attach(table);
    ASSERT_TRUE(table.Open(path, Shared()));
    EXPECT_FALSE(table.ReadRecord(0));
    EXPECT_TRUE(table.Bof() && table.Eof());
    EXPECT_EQ(log.last().code, 1002);
    EXPECT_EQ(log.last().subCode, 1207);
}

TEST_F(HDBFFileTest, PreviousAtRecordOneSetsBeginning) {
    std::string path = MakeLookup({{"I", "A"}, {"I", "B"}});
    HDBFFile table;
    ASSERT_TRUE(table.Open(path, Shared()));
    ASSERT_TRUE(table.ReadRecord(hmove::kTop));
    EXPECT_FALSE(table.ReadRecord(hmove::kPrevious));
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(table.RecNo(), 1);
    ASSERT_TRUE(table.ReadRecord(hmove::kBottom));
    EXPECT_EQ(table.RecNo(), 2);
}

TEST_F(HDBFFileTest, ShortReadOfTheLastRecordSetsEnd) {
    FailingIo io;
    std::string path = MakeLookup({{"I", "A"}});
    HDBFFile table;
    ErrorLog log;
    log.Attach(table);
    ASSERT_TRUE(table.Open(path, Shared()));
    TruncateFile(path, 161 + 50);  // someone cut the file under us
    EXPECT_FALSE(table.ReadRecord(1));
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(log.last().code, 221);
    EXPECT_EQ(table.RecordBuffer(), std::string(102, ' ') + '\x1A');  // buffer untouched
}

// --- Fields -------------------------------------------------------------------------------

TEST_F(HDBFFileTest, FieldLookupIgnoresCaseAndTrailingBlanks) {
    HDBFFile table;
    ASSERT_TRUE(table.Open(MakeLookup(), Shared()));
    const HFieldDescriptor* field = table.FieldByName("pointer  ");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->number, 3);
}

TEST_F(HDBFFileTest, MisspeltFieldGoesToTheHandlerWithoutException) {
    HDBFFile table;
    ErrorLog log;
    log.Attach(table);
    ASSERT_TRUE(table.Open(MakeLookup(), Shared()));
    EXPECT_NO_THROW(table.FieldGet("POINTR"));
    EXPECT_EQ(log.last().code, 1003);
    EXPECT_EQ(log.last().subCode, 1298);
    EXPECT_EQ(log.last().text, "POINTR");
}

TEST_F(HDBFFileTest, FieldPutPadsAndAligns) {
    HDBFFile table;
    ASSERT_TRUE(table.Open(MakeLookup(), Shared()));
    table.FieldPut("OFFSET", "12");
    EXPECT_EQ(table.FieldGet("OFFSET"), "        12");
    table.FieldPut("NAME", "Smith");
    EXPECT_EQ(table.FieldGet("NAME"), "Smith" + std::string(65, ' '));
    table.FieldPut("RTYPE", "INDI");
    EXPECT_EQ(table.FieldGet("RTYPE"), "I");
    EXPECT_TRUE(table.FieldChanged(1));
    EXPECT_TRUE(table.RecordChanged());
    table.FieldPut("OFFSET", "");
    EXPECT_EQ(table.FieldGet("OFFSET"), std::string(10, ' '));
}

TEST_F(HDBFFileTest, NumberTooWideIsRefusedAndFieldKept) {
    HDBFFile table;
    ErrorLog log;
    log.Attach(table);
    ASSERT_TRUE(table.Open(MakeLookup(), Shared()));
    ASSERT_TRUE(table.NumberPut("OFFSET", 12));
    EXPECT_EQ(table.FieldGet("OFFSET"), "        12");
    EXPECT_FALSE(table.NumberPut("OFFSET", 12345678901.0));
    EXPECT_EQ(log.last().code, 1011);
    EXPECT_EQ(log.last().subCode, 1261);
    EXPECT_EQ(log.last().text, "OFFSET - 12345678901");
    EXPECT_EQ(table.FieldGet("OFFSET"), "        12");
}

TEST_F(HDBFFileTest, NumbersKeepTheFieldsDecimals) {
    std::vector<FieldSpec> fields = {{"AMOUNT", 'N', 8, 2}, {"RATE", 'F', 6, 0}};
    HDBFFile table;
    ASSERT_TRUE(table.Open(Make("N.DBF", BuildTable(0x03, fields)), Shared()));
    table.NumberPut("AMOUNT", 3.14159);
    EXPECT_EQ(table.FieldGet("AMOUNT"), "    3.14");
    table.NumberPut("AMOUNT", -2.5);
    EXPECT_EQ(table.FieldGet("AMOUNT"), "   -2.50");
    EXPECT_DOUBLE_EQ(table.NumberGet("AMOUNT"), -2.5);
    table.NumberPut("RATE", 2.5);  // rounds to the nearest even like printf
    EXPECT_EQ(table.FieldGet("RATE"), "     2");
}

TEST_F(HDBFFileTest, InvalidNumberReportsItsFieldAndText) {
    HDBFFile table;
    ErrorLog log;
    log.Attach(table);
    ASSERT_TRUE(table.Open(MakeLookup({{"I", "A", "I1", "12a"}}), Shared()));
    ASSERT_TRUE(table.ReadRecord(1));
    EXPECT_EQ(table.NumberGet("OFFSET"), 0);
    EXPECT_EQ(log.last().code, 1004);
    EXPECT_EQ(log.last().subCode, -7);
    EXPECT_EQ(log.last().text, "Invalid number in field LOOKUP->OFFSET (12a)");
    table.FieldPut("OFFSET", "");
    log.entries.clear();
    EXPECT_EQ(table.NumberGet("OFFSET"), 0);
    EXPECT_TRUE(log.empty());
}

TEST_F(HDBFFileTest, TypedAccessChecksTheType) {
    HDBFFile table;
    ErrorLog log;
    log.Attach(table);
    ASSERT_TRUE(table.Open(MakeLookup(), Shared()));
    EXPECT_FALSE(table.NumberPut("NAME", 1));
    EXPECT_EQ(log.last().code, 1004);
    EXPECT_EQ(log.last().subCode, 1299);
    EXPECT_EQ(log.last().text, "NAME");
    EXPECT_EQ(table.DateGet("OFFSET"), -1);
    EXPECT_EQ(log.last().subCode, 1299);
}

TEST_F(HDBFFileTest, DatesConvertToJulianDays) {
    std::vector<FieldSpec> fields = {{"BORN", 'D', 8, 0}, {"OK", 'L', 1, 0}, {"NOTE", 'M', 10, 0}};
    std::vector<std::string> records = {BuildRecord(fields, {"20000101", "y", "        17"}),
                                        BuildRecord(fields, {"20260230", "N", ""}),
                                        BuildRecord(fields, {"", "", "0"})};
    HDBFFile table;
    ErrorLog log;
    log.Attach(table);
    ASSERT_TRUE(table.Open(Make("DATES.DBF", BuildTable(0xF5, fields, records)), Shared()));
    EXPECT_TRUE(table.HasMemo());
    ASSERT_TRUE(table.ReadRecord(1));
    EXPECT_EQ(table.DateGet("BORN"), 2451545);
    EXPECT_EQ(table.DisplayText(1), "01/01/2000");
    EXPECT_EQ(table.DisplayText(2), "T");
    EXPECT_EQ(table.DisplayText(3), "---MEMO---");
    ASSERT_TRUE(table.ReadRecord(2));
    EXPECT_EQ(table.DateGet("BORN"), -1);
    EXPECT_EQ(log.last().code, 1004);
    EXPECT_EQ(log.last().text, "Invalid date in field DATES->BORN (20260230)");
    EXPECT_EQ(table.DisplayText(2), "F");
    ASSERT_TRUE(table.ReadRecord(3));
    log.entries.clear();
    EXPECT_EQ(table.DateGet("BORN"), -1);  // the empty date is no error
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(table.DisplayText(3), "---memo---");
}

TEST_F(HDBFFileTest, FoxTableReadsBinaryFields) {
    std::vector<FieldSpec> fields = {{"NAME", 'C', 5, 0},
                                     {"COUNT", 'I', 4, 0},
                                     {"RATIO", 'B', 8, 2},
                                     {"PRICE", 'Y', 8, 4},
                                     {"WHEN", 'T', 8, 0}};
    std::string record = " Anna ";
    int32_t count = -42;
    double ratio = 0.75;
    int64_t price = 123456;  // 12.3456
    int32_t day = 2451545, ms = 3600000 + 60000 + 1000;
    record.append(reinterpret_cast<const char*>(&count), 4);
    record.append(reinterpret_cast<const char*>(&ratio), 8);
    record.append(reinterpret_cast<const char*>(&price), 8);
    record.append(reinterpret_cast<const char*>(&day), 4);
    record.append(reinterpret_cast<const char*>(&ms), 4);
    HDBFFile table;
    ASSERT_TRUE(table.Open(Make("FOX.DBF", BuildTable(0x30, fields, {record})), Shared()));
    EXPECT_EQ(table.HeaderLength(), 32 + 5 * 32 + 1 + 263);
    ASSERT_TRUE(table.ReadRecord(1));
    EXPECT_EQ(table.FieldGet("NAME"), "Anna ");
    EXPECT_EQ(table.NumberGet("COUNT"), -42);
    EXPECT_EQ(table.NumberGet("RATIO"), 0.75);
    EXPECT_DOUBLE_EQ(table.NumberGet("PRICE"), 12.3456);
    EXPECT_EQ(table.NumberGet("WHEN"), (2451545.0 - 1721425) * 86400000 + ms);
    EXPECT_EQ(table.DisplayText(5), "01/01/2000 01:01:01");
    ASSERT_TRUE(table.NumberPut("COUNT", 99));
    ASSERT_TRUE(table.ReplaceRecord(1));
    ASSERT_TRUE(table.ReadRecord(1));
    EXPECT_EQ(table.NumberGet("COUNT"), 99);
}

// --- Writing ------------------------------------------------------------------------------

TEST_F(HDBFFileTest, AppendToEmptyTableMatchesTheGoldenFile) {
    std::string path = MakeLookup();
    {
        HDBFFile table;
        ASSERT_TRUE(table.Open(path, Exclusive()));
        table.BlankRecord();
        table.FieldPut("RTYPE", "I");
        table.FieldPut("NAME", "Smith/John");
        table.FieldPut("POINTER", "I12");
        table.NumberPut("OFFSET", 1234);
        ASSERT_TRUE(table.AppendRecord());
        EXPECT_EQ(table.RecNo(), 1);
        EXPECT_EQ(table.RecordCount(), 1);
    }
    EXPECT_EQ(ReadFile(path), ReadHexText(LINEATUM_TABLE_TESTDATA "/lookup_one_record.hex.txt"));
}

TEST_F(HDBFFileTest, SharedAppendUpdatesTheHeaderAtOnce) {
    std::string path = MakeLookup();
    HDBFFile table;
    ASSERT_TRUE(table.Open(path, Shared()));
    table.SetUserID(7);
    table.FieldPut("NAME", "A");
    ASSERT_TRUE(table.AppendRecord());
    std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 162u + 102u);
    EXPECT_EQ(bytes[4], 1);           // record count
    EXPECT_EQ(bytes[20], 7);          // user number
    EXPECT_EQ(bytes[161], ' ');       // record 1 at the header length
    EXPECT_EQ(bytes.back(), '\x1A');  // followed by the end-of-file byte
    EXPECT_FALSE(table.HeaderDirty());
}

TEST_F(HDBFFileTest, HeaderUpdateKeepsReservedBytesAndRebuildsFlags) {
    std::string bytes = BuildTable(0x03, LookupFields());
    for (int at : {12, 13, 24, 27, 29, 31}) bytes[at] = static_cast<char>(0x40 + at);
    bytes[28] = static_cast<char>(0xF3);  // only the three known bits survive
    std::string path = Make("KEEP.DBF", bytes);
    {
        HDBFFile table;
        ASSERT_TRUE(table.Open(path, Shared()));
        ASSERT_TRUE(table.AppendRecord());
    }
    std::string after = ReadFile(path);
    for (int at : {12, 13, 24, 27, 29, 31}) EXPECT_EQ(after[at], static_cast<char>(0x40 + at));
    EXPECT_EQ(static_cast<uint8_t>(after[28]), 0x03);
    EXPECT_EQ(std::string(after.data() + 1, 3), std::string("\x1A\x03\x04", 3));
}

TEST_F(HDBFFileTest, ReplaceOutsideTheTableAppends) {
    std::string path = MakeLookup({{"I", "A"}});
    HDBFFile table;
    ASSERT_TRUE(table.Open(path, Shared()));
    table.FieldPut("NAME", "B");
    ASSERT_TRUE(table.ReplaceRecord(5));
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(table.RecNo(), 2);
    ASSERT_TRUE(table.ReadRecord(1));
    table.FieldPut("NAME", "C");
    ASSERT_TRUE(table.ReplaceRecord(1));
    ASSERT_TRUE(table.ReadRecord(1));
    EXPECT_EQ(table.FieldGet("NAME")[0], 'C');
    EXPECT_FALSE(table.RecordChanged());
    EXPECT_EQ(table.SavedRecord(), table.RecordBuffer());
}

TEST_F(HDBFFileTest, DeleteAndRecallWriteTheFlag) {
    std::string path = MakeLookup({{"I", "A"}});
    HDBFFile table;
    ASSERT_TRUE(table.Open(path, Shared()));
    ASSERT_TRUE(table.ReadRecord(1));
    ASSERT_TRUE(table.DeleteRecord());
    EXPECT_EQ(ReadFile(path)[161], '*');
    ASSERT_TRUE(table.RecallRecord());
    EXPECT_EQ(ReadFile(path)[161], ' ');
}

TEST_F(HDBFFileTest, DeleteWithoutACurrentRecordAppendsNothing) {
    std::string path = MakeLookup({{"I", "A"}});
    const std::string before = ReadFile(path);
    HDBFFile table;
    ErrorLog log;
    log.Attach(table);
    ASSERT_TRUE(table.Open(path, Shared()));
    EXPECT_FALSE(table.DeleteRecord());
    EXPECT_EQ(log.last().code, 1002);
    EXPECT_FALSE(table.RecallRecord());
    EXPECT_EQ(table.RecordCount(), 1);
    table.Close();
    EXPECT_EQ(ReadFile(path), before);
}

TEST_F(HDBFFileTest, FlushModes) {
    std::string path = MakeLookup({{"I", "A"}});
    FailingIo io;
    ScopedIo scoped(&io);
    HDBFFile table;
    ASSERT_TRUE(table.Open(path, Shared()));
    ASSERT_TRUE(table.ReadRecord(1));
    ASSERT_TRUE(table.ReplaceRecord(1));
    EXPECT_EQ(io.syncs, 0);  // mode 0: never
    table.SetFlushMode(HFlushMode::AfterWrite);
    ASSERT_TRUE(table.ReplaceRecord(1));
    EXPECT_EQ(io.syncs, 2);  // the record and the header
    io.syncs = 0;
    table.SetFlushMode(HFlushMode::OnUnlock);
    ASSERT_TRUE(table.LockRecord(1));
    EXPECT_EQ(io.syncs, 0);
    ASSERT_TRUE(table.UnlockTable());
    EXPECT_EQ(io.syncs, 1);
}

TEST_F(HDBFFileTest, ReadOnlyTableWritesNothing) {
    std::string path = MakeLookup({{"I", "A"}});
    const std::string before = ReadFile(path);
    {
        HDBFFile table;
        ErrorLog log;
        log.Attach(table);
        ASSERT_TRUE(table.Open(path, ReadOnly()));
        ASSERT_TRUE(table.ReadRecord(1));
        table.FieldPut("NAME", "Z");
        EXPECT_FALSE(table.ReplaceRecord(1));
        EXPECT_EQ(log.last().code, 5);
        EXPECT_FALSE(table.AppendRecord());
        EXPECT_FALSE(table.DeleteRecord());
    }
    EXPECT_EQ(ReadFile(path), before);
}

TEST_F(HDBFFileTest, FailedAppendLeavesTheFileAsItWas) {
    for (HOpenMode mode : {Shared(), Exclusive()}) {
        std::string path = MakeLookup({{"I", "A"}});
        const std::string before = ReadFile(path);
        FailingIo io;
        ScopedIo scoped(&io);
        HDBFFile table;
        ErrorLog log;
        log.Attach(table);
        ASSERT_TRUE(table.Open(path, mode));
        io.failWriteAt = io.writes + 1;
        io.partialBytes = 40;
        table.FieldPut("NAME", "NEW");
        EXPECT_FALSE(table.AppendRecord());
        EXPECT_EQ(log.last().code, 223);
        EXPECT_EQ(log.last().subCode, 1102);
        EXPECT_EQ(ReadFile(path), before);
        EXPECT_EQ(table.RecordCount(), 1);
        table.Close();
        EXPECT_EQ(ReadFile(path), before);
    }
}

TEST_F(HDBFFileTest, FailedAppendThrowsOnlyAfterPuttingTheFileBackAndUnlocking) {
    std::string path = MakeLookup({{"I", "A"}});
    const std::string before = ReadFile(path);
    FailingIo io;
    ScopedIo scoped(&io);
    HDBFFile table;  // no handler: the default one throws
    ASSERT_TRUE(table.Open(path, Shared()));
    io.failWriteAt = io.writes + 1;
    io.partialBytes = 60;
    try {
        table.AppendRecord();
        FAIL() << "no exception";
    } catch (const EZadarirError& e) {
        EXPECT_EQ(std::string(e.what()), "Zadarir Error 223, SubCode 1102.\r" + AnsiUpper(path));
    }
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_FALSE(LockedByOther(path, 0, 32));
    EXPECT_FALSE(LockedByOther(path, 0x7FFFFFFE));
    EXPECT_EQ(table.RecordCount(), 1);
}

TEST_F(HDBFFileTest, AppendLockHeldElsewhereReleasesTheHeaderLock) {
    std::string path = MakeLookup();
    OtherProcess other([&] {
        static HDBFFile holder;
        return holder.Open(path, Shared()) && holder.LockAppend();
    });
    ASSERT_TRUE(other.Ready());
    ScopedIo shortRetry(nullptr, 100);
    HDBFFile table;
    ASSERT_TRUE(table.Open(path, Shared()));
    EXPECT_THROW(table.AppendRecord(), EZadarirError);
    EXPECT_FALSE(LockedByOther(path, 0, 32));
    EXPECT_EQ(ReadFile(path).size(), 162u);
}

TEST_F(HDBFFileTest, FailedReplaceLeavesTheRecordAsItWas) {
    std::string path = MakeLookup({{"I", "A"}, {"I", "B"}});
    const std::string before = ReadFile(path);
    FailingIo io;
    ScopedIo scoped(&io);
    HDBFFile table;
    ErrorLog log;
    log.Attach(table);
    ASSERT_TRUE(table.Open(path, Exclusive()));
    ASSERT_TRUE(table.ReadRecord(2));
    table.FieldPut("NAME", "CHANGED");
    io.failWriteAt = io.writes + 1;
    io.partialBytes = 30;
    EXPECT_FALSE(table.ReplaceRecord(2));
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(table.FieldGet("NAME").substr(0, 7), "CHANGED");  // buffer kept for a retry
    table.Close();
    EXPECT_EQ(ReadFile(path), before);
}

TEST_F(HDBFFileTest, FailedHeaderWriteRestoresTheHeader) {
    std::string path = MakeLookup({{"I", "A"}});
    FailingIo io;
    ScopedIo scoped(&io);
    HDBFFile table;
    ErrorLog log;
    log.Attach(table);
    ASSERT_TRUE(table.Open(path, Shared()));
    ASSERT_TRUE(table.ReadRecord(1));
    const std::string header = ReadFile(path).substr(0, 32);
    io.failWriteAt = io.writes + 2;  // the record goes through, the header write fails
    io.partialBytes = 5;
    table.FieldPut("NAME", "X");
    table.ReplaceRecord(1);
    EXPECT_EQ(ReadFile(path).substr(0, 32), header);
    EXPECT_TRUE(table.HeaderDirty());
}

TEST_F(HDBFFileTest, ExclusiveTableWritesItsHeaderOnClose) {
    std::string path = MakeLookup();
    HDBFFile table;
    ASSERT_TRUE(table.Open(path, Exclusive()));
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(table.AppendRecord());
    EXPECT_TRUE(table.HeaderDirty());
    table.Close();
    std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes[4], 3);
    EXPECT_EQ(bytes.size(), 161u + 3 * 102 + 1);
}

// --- Several users ----------------------------------------------------------------------

TEST_F(HDBFFileTest, TwoObjectsOfOneProcessAppendWithoutOverwriting) {
    std::string path = MakeLookup();
    HDBFFile a, b;
    ASSERT_TRUE(a.Open(path, Exclusive()));
    ASSERT_TRUE(b.Open(path, Exclusive()));  // shares a's handle
    a.FieldPut("NAME", "from a");
    ASSERT_TRUE(a.AppendRecord());
    b.FieldPut("NAME", "from b");
    ASSERT_TRUE(b.AppendRecord());
    EXPECT_EQ(b.RecNo(), 2);
    a.Close();
    b.Close();
    HDBFFile check;
    ASSERT_TRUE(check.Open(path, Shared()));
    ASSERT_EQ(check.RecordCount(), 2);
    ASSERT_TRUE(check.ReadRecord(1));
    EXPECT_EQ(check.FieldGet("NAME").substr(0, 6), "from a");
}

TEST_F(HDBFFileTest, AppendsOfAnotherProgramAreCounted) {
    std::string path = MakeLookup({{"I", "A"}});
    int opened[2];
    ASSERT_EQ(pipe(opened), 0);
    // The other program appends only after this one has opened the table and read its count.
    OtherProcess other([&] {
        char go;
        if (read(opened[0], &go, 1) != 1) return false;
        static HDBFFile writer;
        if (!writer.Open(path, Shared())) return false;
        writer.FieldPut("NAME", "other");
        return writer.AppendRecord() && writer.AppendRecord();
    });
    HDBFFile table;
    ASSERT_TRUE(table.Open(path, Shared()));
    ASSERT_EQ(write(opened[1], "x", 1), 1);
    close(opened[0]);
    close(opened[1]);
    ASSERT_TRUE(other.Ready());
    EXPECT_TRUE(table.ReadRecord(3));  // past the count known at open: the header is re-read
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_TRUE(table.ChangedByOther());
    table.FieldPut("NAME", "mine");
    ASSERT_TRUE(table.AppendRecord());
    EXPECT_EQ(table.RecNo(), 4);
}

TEST_F(HDBFFileTest, RecordLockedByAnotherProgramFailsAfterRetrying) {
    std::string path = MakeLookup({{"I", "A"}, {"I", "B"}});
    OtherProcess other([&] {
        static HDBFFile holder;
        return holder.Open(path, Shared()) && holder.LockRecord(2);
    });
    ASSERT_TRUE(other.Ready());
    HDBFFile table;
    ASSERT_TRUE(table.Open(path, Shared()));
    ASSERT_TRUE(table.ReadRecord(2));
    table.FieldPut("NAME", "mine");
    auto start = std::chrono::steady_clock::now();
    try {
        table.ReplaceRecord(2);
        FAIL() << "no exception";
    } catch (const EZadarirError& e) {
        EXPECT_STREQ(e.what(), "Record is locked by another user");
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 1.9);
    EXPECT_LT(seconds, 3.5);
    EXPECT_EQ(ReadFile(path).substr(161 + 102 + 2, 4), "B   ");
    // Record 1 is not locked.
    ASSERT_TRUE(table.ReadRecord(1));
    EXPECT_TRUE(table.ReplaceRecord(1));
}

TEST_F(HDBFFileTest, ExclusiveTableCannotBeOpenedByAnotherProgram) {
    std::string path = MakeLookup();
    OtherProcess other([&] {
        static HDBFFile holder;
        return holder.Open(path, Exclusive());
    });
    ASSERT_TRUE(other.Ready());
    HDBFFile table;
    try {
        table.Open(path, Shared());
        FAIL() << "no exception";
    } catch (const EZadarirError& e) {
        EXPECT_EQ(std::string(e.what()), "File " + AnsiUpper(path) + " access is denied");
    }
}

TEST_F(HDBFFileTest, LocksSitAtTheProtocolsOffsets) {
    std::string path = MakeLookup({{"I", "A"}, {"I", "B"}, {"I", "C"}});
    struct Case {
        HLokProtocol protocol;
        uint64_t record3;
        uint64_t append;
        uint64_t fileStart;
        uint64_t fileLength;
    };
    const Case cases[] = {
        {HLokProtocol::Default, 0x40000000u + 161 + 2 * 102, 0x7FFFFFFEu, 0x40000000u, 0x3FFFFFFFu},
        {HLokProtocol::FoxLock, 0x40000000u + 161 + 2 * 102, 0x7FFFFFFEu, 0x40000000u, 0x3FFFFFFFu},
        {HLokProtocol::DB4Lock, 0xEFFFFFFFu - 3 - 1, 0xEFFFFFFFu, 0x40000000u, 0xB0000000u},
        {HLokProtocol::ClipLock, 1000000000u + 3 - 1, 1000000000u, 1000000000u, 1000000000u},
    };
    for (const Case& c : cases) {
        HDBFFile table;
        ASSERT_TRUE(table.Open(path, Shared()));
        table.SetLockProtocol(c.protocol);
        ASSERT_TRUE(table.LockRecord(3));
        EXPECT_TRUE(LockedByOther(path, c.record3));
        EXPECT_FALSE(LockedByOther(path, c.record3 - 1));
        EXPECT_FALSE(LockedByOther(path, c.record3 + 1));
        ASSERT_TRUE(table.UnlockTable());
        EXPECT_FALSE(LockedByOther(path, c.record3));
        ASSERT_TRUE(table.LockAppend());
        EXPECT_TRUE(LockedByOther(path, c.append));
        EXPECT_FALSE(LockedByOther(path, c.append + 1));
        ASSERT_TRUE(table.UnlockTable());
        ASSERT_TRUE(table.LockFileRange());
        EXPECT_TRUE(LockedByOther(path, c.fileStart));
        EXPECT_TRUE(LockedByOther(path, c.fileStart + c.fileLength - 1));
        EXPECT_FALSE(LockedByOther(path, c.fileStart + c.fileLength));
        EXPECT_FALSE(LockedByOther(path, c.fileStart - 1));
        ASSERT_TRUE(table.UnlockTable());
        ASSERT_TRUE(table.LockHeader());
        EXPECT_TRUE(LockedByOther(path, 0, 32));
        EXPECT_FALSE(LockedByOther(path, 32));
        EXPECT_TRUE(LockedByOther(path, 31));
        ASSERT_TRUE(table.UnlockHeader());
        EXPECT_FALSE(LockedByOther(path, 0, 32));
    }
}

TEST_F(HDBFFileTest, LocksNestUnderTheWholeFileLock) {
    std::string path = MakeLookup({{"I", "A"}});
    HDBFFile table;
    ASSERT_TRUE(table.Open(path, Shared()));
    ASSERT_TRUE(table.LockWholeFile());
    ASSERT_TRUE(table.LockRecord(1));  // granted at once
    ASSERT_TRUE(table.ReadRecord(1));
    table.FieldPut("NAME", "under lock");
    ASSERT_TRUE(table.ReplaceRecord(1));
    EXPECT_TRUE(table.HeaderDirty());  // written when the whole-file lock goes
    ASSERT_TRUE(table.UnlockTable());
    EXPECT_TRUE(LockedByOther(path, 0));
    ASSERT_TRUE(table.UnlockTable());
    EXPECT_FALSE(LockedByOther(path, 0));
    EXPECT_FALSE(table.HeaderDirty());
}

TEST_F(HDBFFileTest, RecordLockTakenByEditSurvivesTheReplace) {
    std::string path = MakeLookup({{"I", "A"}});
    HDBFFile table;
    ASSERT_TRUE(table.Open(path, Shared()));
    ASSERT_TRUE(table.LockRecord(1));
    ASSERT_TRUE(table.ReadRecord(1));
    ASSERT_TRUE(table.ReplaceRecord(1));
    EXPECT_TRUE(LockedByOther(path, table.RecordLockOffset(1)));
    ASSERT_TRUE(table.UnlockTable());
    EXPECT_FALSE(LockedByOther(path, table.RecordLockOffset(1)));
}

}  // namespace
