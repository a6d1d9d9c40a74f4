#include "table/HTable.h"

#include <algorithm>
#include <set>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "table/DbfTestUtil.h"
#include "table/EZadarirError.h"
#include "table/Host.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {

using Log = std::vector<std::string>;

// A data-aware control stand-in: writes every notification into the shared log.
class LoggingLink : public HCtrlLink {
public:
    explicit LoggingLink(Log* log) : log_(log) {}

protected:
    void Notify(HDBEvent event, int32_t info) override {
        if (log_)
            log_->push_back("link " + std::to_string(static_cast<int>(event)) + ":" +
                            std::to_string(info));
    }

private:
    Log* log_;
};

// Answers every question with `answer` and remembers the texts.
class AnsweringHost : public HHost {
public:
    bool answer = true;
    std::vector<std::string> questions;
    bool AskYesNo(const std::string& text, const std::string&, bool) override {
        questions.push_back(text);
        return answer;
    }
};

std::string Pad(const std::string& text, size_t width) {
    std::string padded = text.substr(0, width);
    return padded + std::string(width - padded.size(), ' ');
}

class HTableTest : public testing::Test {
protected:
    void TearDown() override {
        // Handlers may refer to locals of the test body, which are gone by now.
        table_.OnDataChange = nullptr;
        table_.OnZadarirError = nullptr;
        table_.OnStateChange = nullptr;
        table_.OnNewRecord = nullptr;
        InstallHost(nullptr);
        HFileObject::SetRetryTime(2000);
    }

    // A lookup table with one record per name; names starting with '*' are stored deleted.
    void Make(const std::vector<std::string>& names) {
        std::vector<std::string> records;
        int n = 0;
        for (const std::string& name : names) {
            const bool deleted = !name.empty() && name[0] == '*';
            ++n;
            records.push_back(BuildRecord(LookupFields(),
                                          {"I", deleted ? name.substr(1) : name,
                                           "I" + std::to_string(n), std::to_string(n * 10)},
                                          deleted));
        }
        WriteFile(Path(), BuildTable(0x03, LookupFields(), records));
    }
    std::string Path() const { return dir_.File("T.DBF"); }
    void Open(const std::vector<std::string>& names) {
        Make(names);
        table_.SetDBFPath(dir_.path());
        table_.SetDBFName("T");
        table_.SetActive(true);
        ASSERT_TRUE(table_.Active());
    }
    // Records every event of the table into log_.
    void Record() {
        auto event = [this](const char* name) {
            return [this, name](HTable&) { log_.push_back(name); };
        };
        table_.BeforeOpen = event("BeforeOpen");
        table_.AfterOpen = event("AfterOpen");
        table_.BeforeClose = event("BeforeClose");
        table_.AfterClose = event("AfterClose");
        table_.BeforeAppend = event("BeforeAppend");
        table_.AfterAppend = event("AfterAppend");
        table_.BeforeEdit = event("BeforeEdit");
        table_.AfterEdit = event("AfterEdit");
        table_.BeforePost = event("BeforePost");
        table_.AfterPost = event("AfterPost");
        table_.BeforeDelete = event("BeforeDelete");
        table_.AfterDelete = event("AfterDelete");
        table_.BeforeCancel = event("BeforeCancel");
        table_.AfterCancel = event("AfterCancel");
        table_.OnNewRecord = event("OnNewRecord");
        table_.OnStateChange = event("OnStateChange");
        table_.OnUpdateData = event("OnUpdateData");
        table_.OnValidate = [this](HTable&, bool& canPost) {
            log_.push_back("OnValidate");
            canPost = canPost_;
        };
        link_.SetTable(&table_);
        log_.clear();
    }
    std::string Name() {
        return table_.StringGet("NAME").substr(0, table_.StringGet("NAME").find(' '));
    }
    // Stored NAME of record n, read from the file bytes.
    std::string StoredName(int n) {
        std::string bytes = ReadFile(Path());
        std::string name = bytes.substr(161 + static_cast<size_t>(n - 1) * 102 + 2, 70);
        return name.substr(0, name.find(' '));
    }
    char StoredFlag(int n) { return ReadFile(Path())[161 + static_cast<size_t>(n - 1) * 102]; }
    template <class F>
    std::string Raised(F f) {
        try {
            f();
        } catch (const EZadarirError& e) {
            return e.what();
        }
        return "(nothing raised)";
    }

    // Declared so that the table closes (firing events) while the log still exists.
    TempDir dir_;
    Log log_;
    bool canPost_ = true;
    HTable table_;
    LoggingLink link_{&log_};
};

const Log kMoved = {"link 8:2", "OnStateChange", "link 1:0", "link 8:1", "OnStateChange"};

Log Concat(std::initializer_list<Log> parts) {
    Log all;
    for (const Log& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// --- Opening and closing -------------------------------------------------------------------

TEST_F(HTableTest, OpenAndCloseFireEventsAndLayoutNotifications) {
    Make({"A", "B"});
    table_.SetDBFPath(dir_.path());
    table_.SetDBFName("T");
    Record();
    table_.SetActive(true);
    EXPECT_EQ(log_, (Log{"BeforeOpen", "link 8:0", "OnStateChange", "link 3:0", "AfterOpen"}));
    EXPECT_EQ(table_.State(), HTableState::Browse);
    EXPECT_TRUE(table_.Bof());
    EXPECT_EQ(table_.RecNo(), 1);
    log_.clear();
    table_.SetActive(false);
    EXPECT_EQ(log_, (Log{"BeforeClose", "link 8:2", "OnStateChange", "link 3:1", "AfterClose"}));
    EXPECT_EQ(table_.State(), HTableState::Inactive);
    EXPECT_EQ(table_.FieldCount(), 4);  // the field list stays
}

TEST_F(HTableTest, NamesGetExtensionAndSeparator) {
    table_.SetDBFName("Quilbet");
    EXPECT_EQ(table_.DBFName(), "Quilbet.DBF");
    table_.SetDBFName("x.dbf");
    EXPECT_EQ(table_.DBFName(), "x.dbf");
    table_.SetDBFPath("/some/where");
    EXPECT_EQ(table_.DBFPath(), "/some/where/");
    table_.SetDBFPath("");
    EXPECT_EQ(table_.DBFPath(), "");
}

TEST_F(HTableTest, MissingTableRaisesWithTwoBlanksBeforeThePath) {
    table_.SetDBFPath(dir_.path());
    table_.SetDBFName("NOPE");
    EXPECT_EQ(Raised([&] { table_.SetActive(true); }),
              "Table does not exist on the path  " + dir_.path() + "/NOPE.DBF");
    EXPECT_FALSE(table_.Active());
}

TEST_F(HTableTest, MissingIndexFileRaisesWithItsPath) {
    Make({"A"});
    table_.SetDBFPath(dir_.path());
    table_.SetDBFName("T");
    table_.SetIndexFiles({"T"});
    EXPECT_EQ(Raised([&] { table_.SetActive(true); }),
              "Index does not exist on the path  " + dir_.path() + "/T.NDX");
}

TEST_F(HTableTest, SettingTheNameProbesTheFieldListQuietly) {
    Make({"A"});
    Record();
    table_.SetExclusive(true);
    table_.SetDBFPath(dir_.path());
    table_.SetDBFName("T");
    EXPECT_TRUE(log_.empty()) << log_[0];
    EXPECT_FALSE(table_.Active());
    EXPECT_EQ(table_.State(), HTableState::Inactive);
    ASSERT_EQ(table_.FieldCount(), 4);
    EXPECT_EQ(table_.FieldName(3), "POINTER");
    EXPECT_TRUE(table_.Exclusive());  // the probe does not change the settings
    EXPECT_FALSE(table_.ReadOnly());
    // A damaged file leaves the list as it was, without raising.
    WriteFile(dir_.File("BAD.DBF"), "\x03 not a table");
    table_.SetDBFName("BAD");
    EXPECT_EQ(table_.FieldCount(), 4);
}

TEST_F(HTableTest, SettingsThatNeedAClosedTableRaiseWhenOpen) {
    Open({"A"});
    const std::string message = "Cannot perform this operation on an open table";
    EXPECT_EQ(Raised([&] { table_.SetDBFName("OTHER"); }), message);
    EXPECT_EQ(Raised([&] { table_.SetDBFPath("/tmp"); }), message);
    EXPECT_EQ(Raised([&] { table_.SetOnFilter([](bool&) {}); }), message);
    table_.SetDBFName("T.DBF");  // the same name is no change
}

TEST_F(HTableTest, ActiveSetWhileLoadingAppliesWhenLoaded) {
    Make({"A"});
    table_.BeginLoad();
    table_.SetDBFPath(dir_.path());
    table_.SetDBFName("T");
    table_.SetActive(true);
    EXPECT_FALSE(table_.Active());
    table_.Loaded();
    EXPECT_TRUE(table_.Active());
}

TEST_F(HTableTest, ReadOnlyFileOpensReadOnly) {
    Make({"A"});
    ASSERT_EQ(::chmod(Path().c_str(), 0444), 0);
    table_.SetDBFPath(dir_.path());
    table_.SetDBFName("T");
    table_.SetActive(true);
    EXPECT_TRUE(table_.ReadOnly());
    EXPECT_FALSE(table_.Exclusive());
    EXPECT_EQ(Raised([&] { table_.Append(); }), "Cannot modify a read-only table");
    EXPECT_EQ(Raised([&] { table_.Edit(); }), "Cannot modify a read-only table");
    EXPECT_EQ(Raised([&] { table_.Delete(); }), "Cannot modify a read-only table");
}

TEST_F(HTableTest, ErrorsOfTheTableObjectGoToTheHandler) {
    Open({"A"});
    std::vector<std::pair<int, int>> errors;
    table_.OnZadarirError = [&](int code, int info, const std::string&) {
        errors.emplace_back(code, info);
    };
    EXPECT_EQ(table_.StringGet("NAEM"), "");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], std::make_pair(1003, 1298));
    table_.OnZadarirError = nullptr;
    EXPECT_EQ(Raised([&] { table_.StringGet("NAEM"); }), "Zadarir Error 1003, SubCode 1298.\rNAEM");
}

TEST_F(HTableTest, FailedOpenLeavesTheTableClosedWithoutAfterOpen) {
    Make({"A"});
    SetByte(Path(), 0, 0x07);  // unknown version
    table_.SetDBFPath(dir_.path());
    table_.SetDBFName("T");
    Record();
    std::vector<std::pair<int, int>> errors;
    table_.OnZadarirError = [&](int code, int info, const std::string&) {
        errors.emplace_back(code, info);
    };
    table_.SetActive(true);
    EXPECT_FALSE(table_.Active());
    EXPECT_EQ(log_, (Log{"BeforeOpen"}));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], std::make_pair(1001, 1204));
}

TEST_F(HTableTest, ExclusiveOpenKeepsOthersOut) {
    Make({"A"});
    const std::string dir = dir_.path();
    const std::string opened = dir_.File("opened");
    // The other program starts before this one opens the file (it must not inherit the
    // descriptor) and tries once the marker says the file is open here.
    OtherProcess other([dir, opened] {
        struct stat st;
        for (int i = 0; i < 500 && ::stat(opened.c_str(), &st) != 0; ++i) ::usleep(10000);
        HTable table;
        table.SetDBFPath(dir);
        table.SetDBFName("T");
        try {
            table.SetActive(true);
        } catch (const EZadarirError& e) {
            return std::string(e.what()) ==
                   "File " + ZadarirDisplayName(dir + "/T.DBF") + " access is denied";
        }
        return false;
    });
    table_.SetDBFPath(dir);
    table_.SetDBFName("T");
    table_.SetExclusive(true);
    table_.SetActive(true);
    EXPECT_TRUE(table_.Exclusive());
    WriteFile(opened, "");
    EXPECT_TRUE(other.Ready());
}

// --- Guards --------------------------------------------------------------------------------

TEST_F(HTableTest, ClosedTableRaisesTableNotActive) {
    for (auto op : std::vector<std::function<void()>>{
             [&] { table_.First(); }, [&] { table_.Skip(1); }, [&] { table_.Eof(); },
             [&] { table_.RecNo(); }, [&] { table_.Append(); }, [&] { table_.Post(); },
             [&] { table_.StringGet("NAME"); }, [&] { table_.StringPut("NAME", "x"); },
             [&] { table_.IntegerGet("OFFSET"); }, [&] { table_.SetTagTo("NAME"); }}) {
        EXPECT_EQ(Raised(op), "Table not active");
    }
    table_.Refresh();  // no guard: nothing to refresh
}

TEST_F(HTableTest, FieldStoresOutsideEditModeRaise) {
    Open({"A"});
    EXPECT_EQ(Raised([&] { table_.IntegerPut("OFFSET", 1); }), "Table not in edit or insert mode");
    EXPECT_EQ(Raised([&] { table_.NumberPut("OFFSET", 1); }), "Table not in edit or insert mode");
    EXPECT_EQ(Raised([&] { table_.StringPutN(2, "x"); }), "Table not in edit or insert mode");
}

TEST_F(HTableTest, StringPutInBrowseChangesTheBufferOnly) {
    Open({"A"});
    const std::string before = ReadFile(Path());
    EXPECT_TRUE(table_.StringPut("NAME", "Changed"));
    EXPECT_EQ(Name(), "Changed");
    EXPECT_FALSE(table_.Post());  // browse: writes nothing
    EXPECT_EQ(ReadFile(Path()), before);
}

// --- Navigation ----------------------------------------------------------------------------

TEST_F(HTableTest, NavigationNotifiesThroughTheMovingState) {
    Open({"A", "B", "C"});
    Record();
    table_.Last();
    EXPECT_EQ(log_, kMoved);
    EXPECT_TRUE(table_.Eof());
    EXPECT_EQ(Name(), "C");
    log_.clear();
    table_.Skip(-1);
    table_.Go(1);
    table_.Find("X");
    EXPECT_EQ(log_, Concat({kMoved, kMoved, kMoved}));
}

TEST_F(HTableTest, FirstThenSkipUntilEofVisitsEveryRecordOnce) {
    Open({"A", "*B", "C", "D"});
    std::string seen;
    for (table_.First(); !table_.Eof(); table_.Skip(1)) seen += Name();
    EXPECT_EQ(seen, "ACD");  // UseDeleted is off by default
    table_.SetUseDeleted(true);
    seen.clear();
    for (table_.First(); !table_.Eof(); table_.Skip(1)) seen += Name();
    EXPECT_EQ(seen, "ABCD");
    EXPECT_TRUE(table_.First());
    EXPECT_TRUE(table_.Bof());
    EXPECT_EQ(table_.RecNo(), 1);
    table_.Last();
    table_.Skip(1);
    EXPECT_TRUE(table_.Eof());
    EXPECT_EQ(table_.RecNo(), 4);
}

TEST_F(HTableTest, GoCurrentKeepsTheEndFlags) {
    Open({"A", "B"});
    table_.Last();
    ASSERT_TRUE(table_.Eof());
    table_.Go(hmove::kCurrent);
    EXPECT_TRUE(table_.Eof());
    EXPECT_EQ(table_.RecNo(), 2);
}

TEST_F(HTableTest, FindWithoutAnOrderEndsAtTheBottomWithABlankBuffer) {
    Open({"A", "B"});
    EXPECT_FALSE(table_.Find("A"));
    EXPECT_TRUE(table_.Eof());
    EXPECT_EQ(table_.StringGet("NAME"), std::string(70, ' '));
}

TEST_F(HTableTest, PercentAndGoPercent) {
    Open({"A", "B", "C", "D"});
    EXPECT_EQ(table_.Percent(), 25);
    table_.GoPercent(50);
    EXPECT_EQ(table_.RecNo(), 2);
    table_.GoPercent(-20);
    EXPECT_EQ(table_.RecNo(), 1);
    table_.GoPercent(250);
    EXPECT_EQ(table_.RecNo(), 4);
    EXPECT_EQ(table_.Percent(), 100);
    table_.Append();
    EXPECT_EQ(table_.Percent(), 100);
}

TEST_F(HTableTest, PercentOfAnEmptyTableIsZero) {
    Open({});
    EXPECT_EQ(table_.Percent(), 0);
    EXPECT_TRUE(table_.Bof() && table_.Eof());
}

TEST_F(HTableTest, FilterHidesRecords) {
    Make({"A", "B", "C"});
    table_.SetDBFPath(dir_.path());
    table_.SetDBFName("T");
    table_.SetOnFilter([this](bool& tf) { tf = table_.Table()->FieldGet("NAME")[0] != 'B'; });
    table_.SetActive(true);
    std::string seen;
    for (table_.First(); !table_.Eof(); table_.Skip(1)) seen += Name();
    EXPECT_EQ(seen, "AC");
}

TEST_F(HTableTest, RefreshRereadsAndNotifies) {
    Open({"A", "B"});
    table_.Go(2);
    Record();
    table_.Refresh();
    EXPECT_EQ(log_, Concat({kMoved, {"link 4:0"}}));
    EXPECT_EQ(table_.RecNo(), 2);
}

TEST_F(HTableTest, OperationsWhileIndexingDoNothing) {
    Open({"A", "B"});
    std::vector<std::string> seen;
    table_.OnZadarirError = [](int, int, const std::string&) {};
    table_.OnStateChange = [&](HTable& t) {
        if (t.State() != HTableState::Indexing) return;
        t.Skip(1);
        seen.push_back(std::to_string(t.RecNo()) + (t.Eof() ? "E" : "-") +
                       std::to_string(t.RecordCount()));
    };
    table_.IndexOn(dir_.File("T.CDX"), "NAME", 0, 1, "", "NAME");
    EXPECT_EQ(seen, (std::vector<std::string>{"0-0"}));
    EXPECT_EQ(table_.State(), HTableState::Browse);
    EXPECT_EQ(table_.RecNo(), 1);
}

// --- Append, edit, post, cancel ------------------------------------------------------------

TEST_F(HTableTest, AppendThenPostWritesTheRecordWithEventsInOrder) {
    Open({"A"});
    Record();
    table_.Append();
    EXPECT_EQ(log_, (Log{"BeforeAppend", "OnNewRecord", "link 8:2", "OnStateChange", "link 2:0",
                         "AfterAppend"}));
    EXPECT_EQ(table_.RecNo(), 2147483647);
    EXPECT_EQ(table_.RecordCount(), 2);
    log_.clear();
    table_.StringPut("RTYPE", "I");
    table_.StringPut("POINTER", "I7");
    table_.IntegerPut("OFFSET", 1234);
    table_.StringPut("NAME", "Smith, John");
    EXPECT_EQ(log_, (Log{"link 0:4"}));
    log_.clear();
    EXPECT_TRUE(table_.Post());
    EXPECT_EQ(log_, (Log{"link 7:0", "OnUpdateData", "OnValidate", "BeforePost", "link 10:0",
                         "link 8:4", "OnStateChange", "AfterPost"}));
    EXPECT_EQ(table_.State(), HTableState::Browse);
    EXPECT_EQ(table_.RecordCount(), 2);
    EXPECT_EQ(table_.RecNo(), 2);
    const std::string bytes = ReadFile(Path());
    ASSERT_EQ(bytes.size(), 161u + 2 * 102 + 1);
    EXPECT_EQ(bytes.substr(161 + 102, 102),
              " I" + Pad("Smith, John", 70) + Pad("I7", 20) + "      1234");
    EXPECT_EQ(bytes[4], 2);  // header record count
}

TEST_F(HTableTest, OnNewRecordRunsInInsertStateWithoutLinkNotifications) {
    Open({"A"});
    Record();
    table_.OnNewRecord = [this](HTable& t) {
        log_.push_back("OnNewRecord " + std::to_string(static_cast<int>(t.State())));
        t.StringPutN(1, "R");  // links do not hear it
    };
    table_.Append();
    EXPECT_EQ(log_, (Log{"BeforeAppend", "OnNewRecord 4", "link 8:2", "OnStateChange", "link 2:0",
                         "AfterAppend"}));
    EXPECT_EQ(table_.StringGet("RTYPE"), "R");
    // The defaults alone are no change: posting writes nothing.
    EXPECT_FALSE(table_.Post());
    EXPECT_EQ(table_.Table()->RecordCount(), 1);
}

TEST_F(HTableTest, EditThenPostReplacesTheRecord) {
    Open({"A", "B"});
    table_.Go(2);
    Record();
    EXPECT_TRUE(table_.Edit());
    EXPECT_EQ(log_, Concat({{"BeforeEdit"}, kMoved, {"link 8:2", "OnStateChange", "AfterEdit"}}));
    log_.clear();
    table_.StringPutN(2, "Bee");
    EXPECT_EQ(log_, (Log{"link 0:2"}));
    log_.clear();
    EXPECT_TRUE(table_.Post());
    EXPECT_EQ(log_, (Log{"link 7:0", "OnUpdateData", "OnValidate", "BeforePost", "link 8:3",
                         "OnStateChange", "AfterPost"}));
    EXPECT_EQ(StoredName(2), "Bee");
    EXPECT_EQ(StoredName(1), "A");
    EXPECT_FALSE(LockedByOther(Path(), table_.Table()->RecordLockOffset(2)));
}

TEST_F(HTableTest, EditThenCancelRestoresTheStoredRecord) {
    Open({"A", "B"});
    Record();
    table_.Edit();
    table_.StringPutN(2, "Changed");
    log_.clear();
    table_.Cancel();
    EXPECT_EQ(log_,
              Concat({{"BeforeCancel"}, kMoved, {"link 8:3", "OnStateChange", "AfterCancel"}}));
    EXPECT_EQ(Name(), "A");
    EXPECT_EQ(StoredName(1), "A");
    EXPECT_FALSE(LockedByOther(Path(), table_.Table()->RecordLockOffset(1)));
}

TEST_F(HTableTest, InsertThenCancelWritesNothingAndGoesToTheBottom) {
    Open({"A", "B"});
    const std::string before = ReadFile(Path());
    Record();
    table_.Append();
    table_.StringPutN(2, "New");
    log_.clear();
    table_.Cancel();
    EXPECT_EQ(log_,
              Concat({{"BeforeCancel"}, kMoved, {"link 8:4", "OnStateChange", "AfterCancel"}}));
    EXPECT_EQ(ReadFile(Path()), before);
    EXPECT_EQ(table_.RecNo(), 2);
    EXPECT_TRUE(table_.Eof());
}

TEST_F(HTableTest, PostRefusedByValidateKeepsTheEditAndTheLock) {
    Open({"A", "B"});
    Record();
    table_.Edit();
    table_.StringPutN(2, "Changed");
    canPost_ = false;
    log_.clear();
    EXPECT_FALSE(table_.Post());
    EXPECT_EQ(log_, (Log{"link 7:0", "OnUpdateData", "OnValidate"}));
    EXPECT_EQ(table_.State(), HTableState::Edit);
    EXPECT_EQ(StoredName(1), "A");
    EXPECT_TRUE(LockedByOther(Path(), table_.Table()->RecordLockOffset(1)));
    // Navigation cannot throw the refused edit away either.
    table_.Skip(1);
    EXPECT_EQ(table_.State(), HTableState::Edit);
    EXPECT_EQ(Name(), "Changed");
    canPost_ = true;
    EXPECT_TRUE(table_.Post());
    EXPECT_EQ(StoredName(1), "Changed");
    EXPECT_FALSE(LockedByOther(Path(), table_.Table()->RecordLockOffset(1)));
}

TEST_F(HTableTest, PostOfAnUnchangedRecordCancels) {
    Open({"A"});
    Record();
    table_.Edit();
    log_.clear();
    EXPECT_FALSE(table_.Post());
    EXPECT_EQ(log_,
              Concat({{"link 7:0", "OnUpdateData", "OnValidate", "BeforePost", "BeforeCancel"},
                      kMoved,
                      {"link 8:3", "OnStateChange", "AfterCancel"}}));
}

TEST_F(HTableTest, PostInBrowseOnlyReleasesTheRecordLock) {
    Open({"A"});
    Record();
    EXPECT_FALSE(table_.Post());
    EXPECT_TRUE(log_.empty());
}

TEST_F(HTableTest, PostThatCannotWriteKeepsTheEdit) {
    Open({"A"});
    std::vector<int> codes;
    table_.OnZadarirError = [&](int code, int, const std::string&) { codes.push_back(code); };
    table_.Edit();
    table_.StringPutN(2, "Kept");
    {
        FailingIo io;
        io.failWriteAt = 1;
        io.failCount = 1000;
        ScopedIo scoped(&io);
        EXPECT_FALSE(table_.Post());
    }
    EXPECT_FALSE(codes.empty());
    EXPECT_EQ(table_.State(), HTableState::Edit);
    EXPECT_EQ(Name(), "Kept");
    EXPECT_TRUE(table_.Post());
    EXPECT_EQ(StoredName(1), "Kept");
}

TEST_F(HTableTest, NavigationInEditStateSavesOrDropsTheEdit) {
    Open({"A", "B", "C"});
    AnsweringHost host;
    InstallHost(&host);
    // Unchanged: cancelled without a question.
    table_.Edit();
    table_.Skip(1);
    EXPECT_TRUE(host.questions.empty());
    EXPECT_EQ(table_.State(), HTableState::Browse);
    EXPECT_EQ(table_.RecNo(), 2);
    // Changed, answer Yes: posted.
    table_.Edit();
    table_.StringPutN(2, "Bee");
    table_.Skip(1);
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0], "Do you wish to save current edit changes?");
    EXPECT_EQ(StoredName(2), "Bee");
    EXPECT_EQ(table_.RecNo(), 3);
    // Changed, answer No: dropped.
    host.answer = false;
    table_.Edit();
    table_.StringPutN(2, "Sea");
    table_.First();
    EXPECT_EQ(StoredName(3), "C");
    EXPECT_EQ(table_.RecNo(), 1);
    EXPECT_EQ(table_.State(), HTableState::Browse);
}

TEST_F(HTableTest, NavigationInInsertStateAppendsByDefault) {
    Open({"A"});
    table_.Append();
    table_.StringPutN(2, "New");
    table_.First();  // headless: the safe answer saves
    EXPECT_EQ(table_.Table()->RecordCount(), 2);
    EXPECT_EQ(StoredName(2), "New");
    EXPECT_EQ(table_.RecNo(), 1);
}

TEST_F(HTableTest, EditOnAnEmptyTableAppends) {
    Open({});
    EXPECT_TRUE(table_.Edit());
    EXPECT_EQ(table_.State(), HTableState::Insert);
}

TEST_F(HTableTest, CloseAsksAboutAChangedRecord) {
    Open({"A"});
    AnsweringHost host;
    host.answer = false;
    InstallHost(&host);
    table_.Edit();
    table_.StringPutN(2, "Dropped");
    table_.SetActive(false);
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0], "Record has been changed.\r\nDo you want to save it?");
    EXPECT_EQ(StoredName(1), "A");

    host.answer = true;
    table_.SetActive(true);
    table_.Edit();
    table_.StringPutN(2, "Saved");
    table_.SetActive(false);
    EXPECT_EQ(StoredName(1), "Saved");
}

TEST_F(HTableTest, DestroyingAnEditingTableSavesTheRecordHeadless) {
    Make({"A"});
    {
        HTable table;
        table.SetDBFPath(dir_.path());
        table.SetDBFName("T");
        table.SetActive(true);
        table.Edit();
        table.StringPutN(2, "Saved");
    }
    EXPECT_EQ(StoredName(1), "Saved");
}

TEST_F(HTableTest, DeleteMarksTheRecordAndNotifies) {
    Open({"A", "B"});
    table_.SetUseDeleted(true);
    Record();
    table_.Delete();
    EXPECT_EQ(log_, Concat({{"BeforeDelete", "AfterDelete"}, kMoved, {"link 6:0"}}));
    EXPECT_EQ(StoredFlag(1), '*');
    EXPECT_EQ(StoredFlag(2), ' ');
}

TEST_F(HTableTest, DeleteHidesTheRecordWhenDeletedAreNotUsed) {
    Open({"A", "B"});
    table_.Delete();
    EXPECT_EQ(table_.RecNo(), 2);  // re-read moved on to the next acceptable record
    EXPECT_TRUE(table_.Pack());
    EXPECT_EQ(table_.RecordCount(), 1);
    EXPECT_EQ(StoredName(1), "B");
}

TEST_F(HTableTest, DeleteInInsertStateDropsTheNewRecordOnly) {
    Open({"A", "B"});
    table_.Go(1);
    const std::string before = ReadFile(Path());
    table_.Append();
    table_.StringPutN(2, "New");
    table_.Delete();
    EXPECT_EQ(table_.State(), HTableState::Browse);
    EXPECT_EQ(ReadFile(Path()), before);  // record 1 was not overwritten with the new one
}

TEST_F(HTableTest, AppendCopyStartsFromTheCurrentRecord) {
    Open({"*A"});
    table_.SetUseDeleted(true);
    table_.First();
    table_.AppendCopy();
    EXPECT_EQ(table_.State(), HTableState::Insert);
    EXPECT_EQ(Name(), "A");
    EXPECT_EQ(table_.Table()->RecordBuffer()[0], ' ');
    table_.StringPutN(1, "R");
    EXPECT_TRUE(table_.Post());
    EXPECT_EQ(StoredName(2), "A");
    EXPECT_EQ(StoredFlag(2), ' ');
    EXPECT_EQ(ReadFile(Path()).substr(161 + 102 + 1, 1), "R");
}

// --- Fields --------------------------------------------------------------------------------

TEST_F(HTableTest, StringPutNConvertsTextByFieldType) {
    WriteFile(Path(), BuildTable(0x03, {{"NAME", 'C', 10, 0},
                                        {"BORN", 'D', 8, 0},
                                        {"AMOUNT", 'N', 8, 2},
                                        {"OK", 'L', 1, 0}}));
    table_.SetDBFPath(dir_.path());
    table_.SetDBFName("T");
    table_.SetActive(true);
    table_.Append();
    table_.StringPutN(1, "Ren\xE9");  // e acute in ANSI
    table_.StringPutN(2, "03/04/2026");
    table_.StringPutN(3, "12.5");
    table_.StringPutN(4, "T");
    EXPECT_EQ(table_.StringGet("NAME"), "Ren\x82      ");  // OEM code page
    EXPECT_EQ(table_.StringGet("BORN"), "20260304");
    EXPECT_EQ(table_.StringGet("AMOUNT"), "   12.50");
    table_.StringPutN(2, "2026-12-31");
    EXPECT_EQ(table_.StringGet("BORN"), "20261231");
    table_.StringPutN(2, "");
    EXPECT_EQ(table_.StringGet("BORN"), "        ");
    EXPECT_THROW(table_.StringPutN(2, "31/31/2026"), std::invalid_argument);
    EXPECT_THROW(table_.StringPutN(3, "12,5"), std::invalid_argument);
    table_.SetTransliterate(false);
    table_.StringPutN(1, "Ren\xE9");
    EXPECT_EQ(table_.StringGet("NAME"), "Ren\xE9      ");
}

TEST_F(HTableTest, IntegerGetRoundsToNearest) {
    WriteFile(Path(), BuildTable(0x03, {{"V", 'N', 8, 2}},
                                 {BuildRecord({{"V", 'N', 8, 2}}, {"2.6"}),
                                  BuildRecord({{"V", 'N', 8, 2}}, {"-7.6"})}));
    table_.SetDBFPath(dir_.path());
    table_.SetDBFName("T");
    table_.SetActive(true);
    EXPECT_EQ(table_.IntegerGet("V"), 3);
    table_.Skip(1);
    EXPECT_EQ(table_.IntegerGet("V"), -8);
}

TEST_F(HTableTest, FieldQueriesUseTheFieldList) {
    WriteFile(Path(), BuildTable(0x03, {{"NAME", 'C', 10, 0},
                                        {"BORN", 'D', 8, 0},
                                        {"OK", 'L', 1, 0},
                                        {"NOTE", 'M', 10, 0},
                                        {"SMALL", 'N', 4, 0},
                                        {"WIDE", 'N', 5, 0},
                                        {"PART", 'N', 4, 1},
                                        {"RATE", 'F', 6, 2},
                                        {"ODD", 'X', 3, 0}}));
    table_.SetDBFPath(dir_.path());
    table_.SetDBFName("T");
    EXPECT_EQ(table_.FieldCount(), 9);
    EXPECT_EQ(table_.FieldNumber("born  "), 2);
    EXPECT_EQ(table_.FieldNumber("Rate"), 8);
    EXPECT_EQ(table_.FieldNumber("NONE"), 0);
    const std::vector<int> codes = {1, 9, 5, 15, 3, 6, 6, 6, 0};
    for (int f = 1; f <= 9; ++f) EXPECT_EQ(table_.FieldTypeCode(f), codes[f - 1]) << f;
    EXPECT_EQ(table_.FieldTypeCode(0), 0);
    EXPECT_EQ(table_.FieldTypeCode(10), 0);
    EXPECT_EQ(table_.FieldWidth(7), 4);
    EXPECT_EQ(table_.FieldDecimals(7), 1);
    EXPECT_EQ(table_.FieldWidth(12), 0);
}

// --- Links ---------------------------------------------------------------------------------

TEST_F(HTableTest, LinksAttachDetachAndHearTheTableGo) {
    Log log;
    LoggingLink a(&log);
    {
        HTable first;
        HTable second;
        a.SetTable(&first);
        EXPECT_EQ(log, (Log{"link 2:0"}));
        a.SetTable(&second);
        EXPECT_EQ(a.Table(), &second);
        log.clear();
        first.NotifyLinks(HDBEvent::Refresh, 0);
        EXPECT_TRUE(log.empty());
        second.AttachLink(&a);  // already attached: nothing
        EXPECT_TRUE(log.empty());
        {
            LoggingLink gone(&log);
            gone.SetTable(&second);
        }
        log.clear();
        second.NotifyLinks(HDBEvent::Refresh, 0);
        EXPECT_EQ(log, (Log{"link 4:0"}));
        log.clear();
    }
    EXPECT_EQ(log, (Log{"link 12:0"}));
    EXPECT_EQ(a.Table(), nullptr);
}

TEST_F(HTableTest, LinksResolveTheirFieldOnOpen) {
    Make({"A"});
    table_.SetDBFPath(dir_.path());
    Log log;
    LoggingLink link(&log);
    link.SetFieldName("offset");
    link.SetTable(&table_);
    table_.SetDBFName("T");
    table_.SetActive(true);
    EXPECT_TRUE(link.Resolved());
    EXPECT_EQ(link.FieldNumber(), 4);
    EXPECT_EQ(link.FieldType(), hfieldtype::kFloat);
    EXPECT_EQ(link.FieldWidth(), 10);
}

TEST_F(HTableTest, LinkWithAnUnknownFieldRaisesAndForgetsTheName) {
    Open({"A"});
    Log log;
    LoggingLink bad(&log);
    LoggingLink good(&log);
    bad.SetTable(&table_);
    good.SetTable(&table_);
    bad.SetFieldName("NOSUCH");
    log.clear();
    EXPECT_EQ(Raised([&] { table_.SetRange("", ""); }), "Field NOSUCH not found");
    EXPECT_EQ(log, (Log{"link 3:0", "link 3:0"}));  // the other link was still told
    EXPECT_EQ(bad.FieldName(), "");
}

TEST_F(HTableTest, ModifyRequestFollowsReadOnlyStateAndAutoEdit) {
    Open({"A"});
    Log log;
    LoggingLink link(&log);
    link.SetTable(&table_);
    EXPECT_FALSE(link.CanModify());
    table_.SetAutoEdit(true);
    EXPECT_TRUE(link.CanModify());
    EXPECT_EQ(table_.State(), HTableState::Edit);
    link.SetReadOnly(true);
    EXPECT_FALSE(link.CanModify());
    table_.Cancel();
    table_.SetReadOnly(true);
    link.SetReadOnly(false);
    EXPECT_FALSE(link.CanModify());
}

TEST_F(HTableTest, DataChangeHearsCodesBelowSeven) {
    Open({"A"});
    std::vector<int> codes;
    table_.OnDataChange = [&](HDBEvent e, int32_t) { codes.push_back(static_cast<int>(e)); };
    for (int code : {0, 1, 2, 3, 4, 6, 7, 8, 10, 11, 12}) {
        table_.NotifyLinks(static_cast<HDBEvent>(code), 0);
    }
    EXPECT_EQ(codes, (std::vector<int>{0, 1, 2, 3, 4, 6}));
    table_.NotifyLinks(HDBEvent::FieldChanged, 1);
    EXPECT_TRUE(table_.Table()->RecordChanged());
    table_.NotifyLinks(HDBEvent::RecordChanged, 0);
    EXPECT_FALSE(table_.Table()->RecordChanged());
}

// A grid stand-in: knows which rows it must reload and where its cursor is.
class GridLink : public HCtrlLink {
public:
    bool reloadAll = false;
    bool cursorMoved = false;
    bool rowAdded = false;
    bool orderChanged = false;

protected:
    void Notify(HDBEvent event, int32_t) override {
        switch (event) {
            case HDBEvent::Layout:
            case HDBEvent::Refresh:
                reloadAll = true;
                break;
            case HDBEvent::RecordChanged:
                cursorMoved = true;
                break;
            case HDBEvent::Inserted:
                rowAdded = true;
                break;
            case HDBEvent::OrderChanged:
                orderChanged = true;
                break;
            default:
                break;
        }
    }
};

TEST_F(HTableTest, GridLinkFollowsFindSkipRangeAndPost) {
    Open({"A", "B"});
    GridLink grid;
    grid.SetTable(&table_);
    table_.Find("B");
    EXPECT_TRUE(grid.cursorMoved);
    grid.cursorMoved = false;
    table_.Skip(-1);
    EXPECT_TRUE(grid.cursorMoved);
    table_.SetRange("I", "J");
    EXPECT_TRUE(grid.reloadAll);
    table_.SetRange("", "");
    table_.SetTagTo("");
    EXPECT_TRUE(grid.orderChanged);
    table_.Append();
    table_.StringPutN(2, "C");
    table_.Post();
    EXPECT_TRUE(grid.rowAdded);
}

// --- Indexes -------------------------------------------------------------------------------

TEST(SplitIndexNamesTest, QuotedPartsKeepTheirBlanks) {
    EXPECT_EQ(SplitIndexNames("\"/a dir/x.cdx\" y.cdx,z;;  w"),
              (std::vector<std::string>{"/a dir/x.cdx", "y.cdx", "z", "w"}));
    EXPECT_EQ(SplitIndexNames(""), std::vector<std::string>{});
    EXPECT_EQ(SplitIndexNames("\"one\""), std::vector<std::string>{"one"});
}

TEST_F(HTableTest, IndexOpenRefusalStillNotifiesOrderChange) {
    Open({"A"});
    Record();
    int code = 0;
    table_.OnZadarirError = [&](int c, int, const std::string&) { code = c; };
    EXPECT_FALSE(table_.IndexOpen("\"" + dir_.File("T.NDX") + "\"", "NAME"));
    EXPECT_EQ(code, 2);
    EXPECT_EQ(log_, (Log{"link 11:0"}));
}

TEST_F(HTableTest, SetTagToSwallowsFailures) {
    Open({"A"});
    int reported = 0;
    table_.OnZadarirError = [&](int, int, const std::string&) { ++reported; };
    table_.SetTagTo("NOSUCH");
    EXPECT_EQ(reported, 0);
    EXPECT_EQ(table_.IndexTag(), "NOSUCH");
}

TEST_F(HTableTest, IndexOnHoldsTheIndexingState) {
    Open({"A"});
    Record();
    table_.OnZadarirError = [](int, int, const std::string&) {};
    table_.IndexOn(dir_.File("T.CDX"), "NAME", 7, 1, "", "RTYPE-UPPER(NAME)");
    EXPECT_EQ(log_, (Log{"link 8:2", "OnStateChange", "link 8:5", "OnStateChange"}));
}

TEST_F(HTableTest, LookupTableFlowFindsAndBrowsesByName) {
    Open({"Smith, John", "Brown, Ann", "Smith, Adam"});
    const std::string cdx = dir_.File("T.CDX");
    ASSERT_TRUE(table_.IndexOn(cdx, "NAME", 7, 1, "", "RTYPE-UPPER(NAME)"));
    ASSERT_TRUE(table_.IndexOn(cdx, "POINTER", 7, 1, "", "POINTER"));
    ASSERT_TRUE(table_.IndexOpen("\"" + cdx + "\"", "NAME"));
    table_.SetFindNear(false);
    EXPECT_TRUE(table_.Find("ISMI"));
    EXPECT_EQ(Name(), "Smith,");
    EXPECT_FALSE(table_.Find("IZZ"));
    EXPECT_TRUE(table_.Eof());
    table_.SetFindNear(true);
    EXPECT_FALSE(table_.Find("IC"));
    EXPECT_EQ(Name(), "Smith,");
    table_.SetTagTo("POINTER");
    EXPECT_TRUE(table_.Find("I2"));
    EXPECT_EQ(Name(), "Brown,");
    table_.SetTagTo("NAME");
    table_.SetRange("I", "J");
    std::string seen;
    for (table_.First(); !table_.Eof(); table_.Skip(1)) seen += table_.StringGet("POINTER")[1];
    EXPECT_EQ(seen, "231");
}

// --- Two programs --------------------------------------------------------------------------

TEST_F(HTableTest, EditOfARecordAnotherProgramEditsFails) {
    Make({"A", "B"});
    const std::string dir = dir_.path();
    OtherProcess other([dir] {
        auto* table = new HTable;  // lives until the process ends
        table->SetDBFPath(dir);
        table->SetDBFName("T");
        table->SetActive(true);
        table->Go(2);
        return table->Edit() && table->State() == HTableState::Edit;
    });
    ASSERT_TRUE(other.Ready());
    HFileObject::SetRetryTime(300);
    table_.SetDBFPath(dir);
    table_.SetDBFName("T");
    table_.SetActive(true);
    table_.Go(2);
    EXPECT_EQ(Raised([&] { table_.Edit(); }), "Record is locked by another user");
    EXPECT_EQ(table_.State(), HTableState::Browse);
    std::vector<std::pair<int, int>> errors;
    table_.OnZadarirError = [&](int code, int info, const std::string&) {
        errors.emplace_back(code, info);
    };
    EXPECT_FALSE(table_.Edit());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], std::make_pair(33, 1112));
    table_.Go(1);
    EXPECT_TRUE(table_.Edit());  // another record is free
    table_.Cancel();
    other.Release();
    table_.Go(2);
    EXPECT_TRUE(table_.Edit());
}

TEST_F(HTableTest, AppendsFromTwoProgramsAreAllKept) {
    Make({});
    const std::string dir = dir_.path();
    constexpr int kRows = 300;
    auto appendRows = [dir](char who) {
        HTable table;
        table.SetDBFPath(dir);
        table.SetDBFName("T");
        table.SetActive(true);
        for (int i = 1; i <= kRows; ++i) {
            table.Append();
            table.StringPut("RTYPE", "I");
            table.StringPut("POINTER", std::string(1, who) + std::to_string(i));
            table.IntegerPut("OFFSET", i);
            table.StringPut("NAME", "Name");
            if (!table.Post()) return false;
        }
        return true;
    };
    OtherProcess other([&] { return appendRows('B'); });
    EXPECT_TRUE(appendRows('A'));
    ASSERT_TRUE(other.Ready());
    other.Release();

    const std::string bytes = ReadFile(Path());
    ASSERT_EQ(bytes.size(), 161u + 2 * kRows * 102u + 1);
    EXPECT_EQ(static_cast<uint8_t>(bytes[4]) | static_cast<uint8_t>(bytes[5]) << 8, 2 * kRows);
    std::set<std::string> pointers;
    for (int n = 0; n < 2 * kRows; ++n) {
        std::string pointer = bytes.substr(161 + static_cast<size_t>(n) * 102 + 72, 20);
        pointers.insert(pointer.substr(0, pointer.find(' ')));
    }
    EXPECT_EQ(pointers.size(), 2u * kRows);
    EXPECT_EQ(pointers.count("A1") + pointers.count("B300"), 2u);
}

TEST_F(HTableTest, AppendsFromTwoProgramsReachBothTags) {
    Make({});
    const std::string dir = dir_.path();
    table_.SetDBFPath(dir);
    table_.SetDBFName("T");
    table_.SetActive(true);
    ASSERT_TRUE(table_.IndexOn(dir_.File("T.CDX"), "NAME", 7, 1, "", "RTYPE-UPPER(NAME)"));
    ASSERT_TRUE(table_.IndexOn(dir_.File("T.CDX"), "POINTER", 7, 1, "", "POINTER"));
    table_.SetActive(false);
    constexpr int kRows = 200;
    auto appendRows = [dir](char who) {
        HTable table;
        table.SetDBFPath(dir);
        table.SetDBFName("T");
        table.SetIndexFiles({"T.CDX"});
        table.SetIndexTag("NAME");
        table.SetActive(true);
        for (int i = 1; i <= kRows; ++i) {
            table.Append();
            table.StringPut("RTYPE", "I");
            table.StringPut("POINTER", std::string(1, who) + std::to_string(i));
            table.IntegerPut("OFFSET", i);
            table.StringPut("NAME", std::string(1, who) + "Name" + std::to_string(i));
            if (!table.Post()) return false;
        }
        return true;
    };
    OtherProcess other([&] { return appendRows('B'); });
    EXPECT_TRUE(appendRows('A'));
    ASSERT_TRUE(other.Ready());
    other.Release();

    table_.SetActive(true);
    ASSERT_TRUE(table_.IndexOpen("\"" + dir_.File("T.CDX") + "\"", "POINTER"));
    for (char who : {'A', 'B'}) {
        for (int i = 1; i <= kRows; ++i) {
            const std::string pointer = std::string(1, who) + std::to_string(i);
            ASSERT_TRUE(table_.Find(pointer)) << pointer;
            EXPECT_EQ(table_.IntegerGet("OFFSET"), i);
        }
    }
    table_.SetTagTo("NAME");
    int count = 0;
    for (table_.First(); !table_.Eof(); table_.Skip(1)) ++count;
    EXPECT_EQ(count, 2 * kRows);
}

}  // namespace
