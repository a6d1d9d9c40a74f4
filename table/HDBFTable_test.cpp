#include "table/HDBFTable.h"

#include <tuple>

#include "table/CharServices.h"
#include "table/DbfTestUtil.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {

class HDBFTableTest : public testing::Test {
protected:
    // A lookup table with one record per name; names starting with '*' are stored deleted.
    std::string Make(const std::vector<std::string>& names) {
        std::vector<std::string> records;
        for (const std::string& name : names) {
            bool deleted = !name.empty() && name[0] == '*';
            records.push_back(
                BuildRecord(LookupFields(), {"I", deleted ? name.substr(1) : name}, deleted));
        }
        path_ = dir_.File("T.DBF");
        WriteFile(path_, BuildTable(0x03, LookupFields(), records));
        return path_;
    }
    void Open(const std::vector<std::string>& names,
              HOpenMode mode = {HFileAccess::ReadWrite, HFileShare::DenyNone}) {
        Make(names);
        log_.Attach(table_);
        ASSERT_TRUE(table_.Open(path_, mode));
    }
    std::string Name() {
        return table_.FieldGet("NAME").substr(0, table_.FieldGet("NAME").find(' '));
    }
    bool BufferBlank() { return table_.RecordBuffer().substr(0, 102) == std::string(102, ' '); }

    TempDir dir_;
    std::string path_;
    HDBFTable table_;
    ErrorLog log_;
};

TEST_F(HDBFTableTest, SkipOnTheLastRecordKeepsItAndSetsEnd) {
    Open({"A", "B", "C"});
    ASSERT_TRUE(table_.Go(hmove::kBottom));
    table_.FieldPut("NAME", "unsaved");
    table_.Skip(1);
    EXPECT_TRUE(table_.Eof());
    EXPECT_FALSE(table_.Bof());
    EXPECT_EQ(table_.RecNo(), 3);
    EXPECT_EQ(Name(), "unsaved");  // the buffer is not re-read
}

TEST_F(HDBFTableTest, FirstThenSkipUntilEndVisitsEveryRecordOnce) {
    for (bool useDeleted : {true, false}) {
        SCOPED_TRACE(useDeleted);
        HDBFTable table;
        Make({"A", "B", "C", "D"});
        ASSERT_TRUE(table.Open(path_, {}));
        table.SetUseDeleted(useDeleted);
        std::string seen;
        table.Go(hmove::kTop);
        while (!table.Eof()) {
            seen += table.FieldGet("NAME")[0];
            table.Skip(1);
        }
        EXPECT_EQ(seen, "ABCD");
    }
}

TEST_F(HDBFTableTest, EmptyTableSetsBothFlagsAfterAnyMovement) {
    Open({});
    for (int target : {hmove::kTop, hmove::kBottom, hmove::kNext, hmove::kPrevious}) {
        EXPECT_FALSE(table_.Go(target));
        EXPECT_TRUE(table_.Bof() && table_.Eof()) << target;
    }
    table_.Skip(1);
    EXPECT_TRUE(table_.Bof() && table_.Eof());
    table_.Skip(-1);
    EXPECT_TRUE(table_.Bof() && table_.Eof());
    table_.SetUseDeleted(false);
    table_.Skip(1);
    EXPECT_TRUE(table_.Bof() && table_.Eof());
}

TEST_F(HDBFTableTest, HiddenDeletedRecordsArePassedOver) {
    Open({"*A", "B", "*C", "*D", "E", "*F"});
    table_.SetUseDeleted(false);
    ASSERT_TRUE(table_.Go(hmove::kTop));
    EXPECT_EQ(table_.RecNo(), 2);
    ASSERT_TRUE(table_.Go(hmove::kNext));
    EXPECT_EQ(table_.RecNo(), 5);
    table_.Skip(1);
    EXPECT_TRUE(table_.Eof());
    EXPECT_EQ(table_.RecNo(), 5);  // the last acceptable record, no phantom
    EXPECT_EQ(Name(), "E");
    table_.Skip(-1);
    EXPECT_EQ(table_.RecNo(), 2);
    EXPECT_FALSE(table_.Eof());
    table_.Skip(-1);
    EXPECT_TRUE(table_.Bof());
    EXPECT_EQ(table_.RecNo(), 2);
    ASSERT_TRUE(table_.Go(hmove::kBottom));
    EXPECT_EQ(table_.RecNo(), 5);
    ASSERT_TRUE(table_.Go(3));  // a record number is taken as it is
    EXPECT_TRUE(table_.Deleted());
    EXPECT_EQ(Name(), "C");
}

TEST_F(HDBFTableTest, SkipByMoreThanOneStopsAtTheEnd) {
    Open({"A", "*B", "C", "D"});
    table_.Go(hmove::kTop);
    table_.Skip(2);
    EXPECT_EQ(table_.RecNo(), 3);  // deleted records count while they are shown
    table_.Skip(10);
    EXPECT_EQ(table_.RecNo(), 4);
    EXPECT_TRUE(table_.Eof());
    table_.SetUseDeleted(false);
    table_.Skip(-2);
    EXPECT_EQ(table_.RecNo(), 1);
    EXPECT_FALSE(table_.Bof());
    table_.Go(hmove::kTop);
    table_.Skip(-3);
    EXPECT_TRUE(table_.Bof());
    EXPECT_FALSE(table_.Eof());
    EXPECT_EQ(table_.RecNo(), 1);
}

TEST_F(HDBFTableTest, FilterHidesRecords) {
    Open({"A", "B", "C", "D"});
    table_.OnFilter = [this] {
        return table_.FieldGet("NAME")[0] != 'B' && table_.FieldGet("NAME")[0] != 'D';
    };
    table_.Go(hmove::kTop);
    EXPECT_EQ(Name(), "A");
    table_.Skip(1);
    EXPECT_EQ(Name(), "C");
    table_.Skip(1);
    EXPECT_TRUE(table_.Eof());
    EXPECT_EQ(Name(), "C");
    ASSERT_TRUE(table_.Go(hmove::kBottom));
    EXPECT_EQ(Name(), "C");
}

TEST_F(HDBFTableTest, NoAcceptableRecordBlanksTheBuffer) {
    Open({"*A", "*B"});
    table_.SetUseDeleted(false);
    EXPECT_FALSE(table_.Go(hmove::kTop));
    EXPECT_TRUE(table_.Bof() && table_.Eof());
    EXPECT_TRUE(BufferBlank());
    EXPECT_FALSE(table_.Go(hmove::kBottom));
    EXPECT_TRUE(BufferBlank());
}

TEST_F(HDBFTableTest, GoBeyondTheEndBlanksTheBuffer) {
    Open({"A", "B"});
    ASSERT_TRUE(table_.Go(1));
    EXPECT_FALSE(table_.Go(3));
    EXPECT_TRUE(table_.Eof());
    EXPECT_TRUE(BufferBlank());
    EXPECT_TRUE(log_.empty());
    EXPECT_FALSE(table_.Go(0));
    EXPECT_EQ(log_.last().code, 1002);
    EXPECT_EQ(log_.last().subCode, 1207);
}

TEST_F(HDBFTableTest, WrittenRecordSetsEndFlags) {
    Open({"A", "B"});
    ASSERT_TRUE(table_.Go(2));
    ASSERT_TRUE(table_.ReplaceRecord(2));
    EXPECT_TRUE(table_.Eof());
    ASSERT_TRUE(table_.Go(1));
    ASSERT_TRUE(table_.ReplaceRecord(1));
    EXPECT_TRUE(table_.Bof());
    EXPECT_FALSE(table_.Eof());
    ASSERT_TRUE(table_.AppendRecord());
    EXPECT_TRUE(table_.Eof());
    EXPECT_EQ(table_.RecNo(), 3);
}

TEST_F(HDBFTableTest, PackRemovesDeletedRecords) {
    Open({"A", "*B", "C", "*D", "E", "*F"});
    std::vector<std::tuple<int, int, int>> reports;
    table_.OnStatus = [&](int a, int b, int c) { reports.emplace_back(a, b, c); };
    ASSERT_TRUE(table_.Pack());
    EXPECT_EQ(table_.RecordCount(), 3);
    EXPECT_EQ(table_.RecNo(), 1);
    std::string bytes = ReadFile(path_);
    ASSERT_EQ(bytes.size(), 161u + 3 * 102 + 1);
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(bytes[4], 3);
    EXPECT_EQ(bytes[161 + 2 + 102], 'C');
    EXPECT_EQ(bytes[161 + 2 + 204], 'E');
    ASSERT_EQ(reports.size(), 8u);
    EXPECT_EQ(reports.front(), std::make_tuple(-1, 11, 6));
    EXPECT_EQ(reports[1], std::make_tuple(11, 1, 0));
    EXPECT_EQ(reports[6], std::make_tuple(11, 6, 0));
    EXPECT_EQ(reports.back(), std::make_tuple(0, 0, 0));
    EXPECT_FALSE(table_.ReadAhead());  // restored
}

TEST_F(HDBFTableTest, PackWithNothingDeletedChangesNoRecord) {
    Open({"A", "B"});
    std::string before = ReadFile(path_);
    ASSERT_TRUE(table_.Pack());
    std::string after = ReadFile(path_);
    EXPECT_EQ(after.substr(32), before.substr(32));
}

TEST_F(HDBFTableTest, PackWhileAnotherProgramHasTheFileIsRefused) {
    Make({"A", "*B"});
    OtherProcess other([&] {
        static HDBFTable reader;
        return reader.Open(path_, {HFileAccess::ReadWrite, HFileShare::DenyNone}) &&
               reader.LockRecord(1);
    });
    ASSERT_TRUE(other.Ready());
    HFileObject::SetRetryTime(100);
    HDBFTable table;
    ErrorLog log;
    log.Attach(table);
    ASSERT_TRUE(table.Open(path_, {}));
    std::string before = ReadFile(path_);
    EXPECT_FALSE(table.Pack());
    HFileObject::SetRetryTime(2000);
    EXPECT_EQ(log.last().code, 5);
    EXPECT_EQ(log.last().subCode, 2105);
    EXPECT_EQ(ReadFile(path_), before);
}

TEST_F(HDBFTableTest, ReadAheadReturnsTheSameRecords) {
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i) names.push_back("N" + std::to_string(i));
    Open(names);
    table_.SetReadAhead(true);
    table_.Go(hmove::kTop);
    int n = 0;
    while (!table_.Eof()) {
        ASSERT_EQ(Name(), "N" + std::to_string(n));
        ++n;
        table_.Skip(1);
    }
    EXPECT_EQ(n, 3000);
    // Backwards too, and a write shows in later reads.
    table_.Go(1500);
    table_.FieldPut("NAME", "CHANGED");
    ASSERT_TRUE(table_.ReplaceRecord(1500));
    table_.Go(1499);
    EXPECT_EQ(Name(), "N1498");
    table_.Skip(1);
    EXPECT_EQ(Name(), "CHANGED");
    for (int k = 1499; k >= 1; --k) table_.Skip(-1);
    EXPECT_EQ(table_.RecNo(), 1);
    EXPECT_EQ(Name(), "N0");
}

// --- Write-behind of appends ------------------------------------------------------------

constexpr HOpenMode kExclusive{HFileAccess::ReadWrite, HFileShare::Exclusive};

TEST_F(HDBFTableTest, ExclusiveAppendsAreWrittenInBatches) {
    Open({"A"}, kExclusive);
    const std::string before = ReadFile(path_);
    FailingIo io;
    ScopedIo scoped(&io);
    for (int i = 0; i < 100; ++i) {
        table_.FieldPut("NAME", "N" + std::to_string(i));
        ASSERT_TRUE(table_.AppendRecord());
    }
    EXPECT_EQ(io.writes, 0);
    EXPECT_EQ(ReadFile(path_), before);
    EXPECT_EQ(table_.RecordCount(), 101);
    // 700 more records of 102 bytes pass the 64 KB buffer more than once.
    for (int i = 100; i < 800; ++i) ASSERT_TRUE(table_.AppendRecord());
    EXPECT_GE(io.writes, 1);
    EXPECT_LE(io.writes, 2);
}

TEST_F(HDBFTableTest, ReadAfterBufferedAppendsSeesThem) {
    for (bool readAhead : {false, true}) {
        SCOPED_TRACE(readAhead);
        HDBFTable table;
        Make({"A"});
        ASSERT_TRUE(table.Open(path_, kExclusive));
        table.SetReadAhead(readAhead);
        for (const char* name : {"B", "C", "D"}) {
            table.FieldPut("NAME", name);
            ASSERT_TRUE(table.AppendRecord());
        }
        ASSERT_TRUE(table.Go(3));
        EXPECT_EQ(table.FieldGet("NAME").substr(0, 1), "C");
        EXPECT_EQ(ReadFile(path_).size(), 161u + 4 * 102 + 1);
        table.Close();
    }
}

TEST_F(HDBFTableTest, CloseWritesBufferedAppends) {
    Open({"A"}, kExclusive);
    for (const char* name : {"B", "C"}) {
        table_.FieldPut("NAME", name);
        ASSERT_TRUE(table_.AppendRecord());
    }
    table_.Close();
    // The same bytes as appending one record at a time, header date aside.
    HDBFTable plain;
    const std::string other = dir_.File("U.DBF");
    WriteFile(other, BuildTable(0x03, LookupFields(), {BuildRecord(LookupFields(), {"I", "A"})}));
    ASSERT_TRUE(plain.Open(other, kExclusive));
    plain.SetWriteBehind(false);
    for (const char* name : {"B", "C"}) {
        plain.FieldPut("NAME", name);
        ASSERT_TRUE(plain.AppendRecord());
    }
    plain.Close();
    std::string a = ReadFile(path_), b = ReadFile(other);
    ASSERT_EQ(a.size(), 161u + 3 * 102 + 1);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(a.substr(32), b.substr(32));
    EXPECT_EQ(a[4], 3);
}

TEST_F(HDBFTableTest, FailedBatchIsReportedAndLeavesTheFileAsBefore) {
    Open({"A"}, kExclusive);
    const std::string before = ReadFile(path_);
    FailingIo io;
    ScopedIo scoped(&io);
    for (const char* name : {"B", "C"}) {
        table_.FieldPut("NAME", name);
        ASSERT_TRUE(table_.AppendRecord());
    }
    io.failWriteAt = io.writes + 1;
    io.partialBytes = 40;
    EXPECT_FALSE(table_.Go(1));
    ASSERT_FALSE(log_.empty());
    EXPECT_EQ(log_.last().code, 223);
    EXPECT_EQ(log_.last().subCode, 1102);
    EXPECT_EQ(log_.last().text, AnsiUpper(path_));
    EXPECT_EQ(ReadFile(path_), before);
    EXPECT_EQ(table_.RecordCount(), 1);
    // The table goes on from the file as it is.
    ASSERT_TRUE(table_.Go(1));
    table_.FieldPut("NAME", "D");
    ASSERT_TRUE(table_.AppendRecord());
    table_.Close();
    const std::string after = ReadFile(path_);
    ASSERT_EQ(after.size(), 161u + 2 * 102 + 1);
    EXPECT_EQ(after[4], 2);
    EXPECT_EQ(after.substr(161 + 102 + 2, 1), "D");  // after the flag and RTYPE
}

TEST_F(HDBFTableTest, FailedBatchAtCloseLeavesTheFileAsBefore) {
    Open({"A"}, kExclusive);
    const std::string before = ReadFile(path_);
    FailingIo io;
    ScopedIo scoped(&io);
    ASSERT_TRUE(table_.AppendRecord());
    io.failWriteAt = io.writes + 1;
    table_.Close();
    EXPECT_EQ(log_.last().code, 223);
    EXPECT_EQ(log_.last().subCode, 1102);
    EXPECT_EQ(ReadFile(path_), before);
}

TEST_F(HDBFTableTest, SharedTableWritesEveryAppendAtOnce) {
    Open({"A"});
    FailingIo io;
    ScopedIo scoped(&io);
    ASSERT_TRUE(table_.AppendRecord());
    EXPECT_EQ(io.writes, 2);  // the record and the header
    EXPECT_EQ(ReadFile(path_).size(), 161u + 2 * 102 + 1);
}

TEST_F(HDBFTableTest, SecondObjectOfTheProcessSeesBufferedAppends) {
    Open({"A"}, kExclusive);
    ASSERT_TRUE(table_.AppendRecord());
    HDBFTable second;
    ASSERT_TRUE(second.Open(path_, kExclusive));  // shares the descriptor
    EXPECT_EQ(ReadFile(path_).size(), 161u + 2 * 102 + 1);
    // From now on the first object writes each append at once.
    ASSERT_TRUE(table_.AppendRecord());
    EXPECT_EQ(ReadFile(path_).size(), 161u + 3 * 102 + 1);
}

}  // namespace
