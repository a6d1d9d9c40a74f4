#include "table/HFileObject.h"

#include <chrono>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include "table/CharServices.h"
#include "table/DbfTestUtil.h"
#include "table/EZadarirError.h"
#include "table/Host.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {

class CountingHost : public HHost {
public:
    int pumps = 0;
    int clockReads = 0;
    void ProcessPendingEvents() override { ++pumps; }
    uint32_t TickCount() override {
        ++clockReads;
        return HHost::TickCount();
    }
};

class HFileObjectTest : public testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.File("data.bin");
        WriteFile(path_, std::string(64, 'a'));
    }
    HOpenMode Shared() { return {HFileAccess::ReadWrite, HFileShare::DenyNone}; }
    HOpenMode Exclusive() { return {HFileAccess::ReadWrite, HFileShare::Exclusive}; }

    TempDir dir_;
    std::string path_;
};

TEST_F(HFileObjectTest, MissingFileReportsCode2WithOpenSubCode) {
    HFileObject file;
    ErrorLog log;
    log.Attach(file);
    EXPECT_FALSE(file.Open(dir_.File("nothere.dbf"), Shared()));
    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(log.last().code, 2);
    EXPECT_EQ(log.last().subCode, 1107);
    EXPECT_EQ(log.last().text, AnsiUpper(dir_.File("nothere.dbf")));
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(HFileObjectTest, WithoutHandlerTheErrorIsThrown) {
    HFileObject file;
    try {
        file.Open(dir_.File("gone.dbf"), Shared());
        FAIL() << "no exception";
    } catch (const EZadarirError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Zadarir Error 2, SubCode 1107.\r" + AnsiUpper(dir_.File("gone.dbf")));
    }
}

TEST_F(HFileObjectTest, SuppressedErrorsAreRecordedButNotReported) {
    HFileObject file;
    ErrorLog log;
    log.Attach(file);
    {
        HFileObject::SuppressErrors quiet(file);
        EXPECT_FALSE(file.Open(dir_.File("gone.dbf"), Shared()));
    }
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(file.LastError(), 2);
}

TEST_F(HFileObjectTest, NameIsTrimmedOfBlanksAndQuotesAndKeepsItsCase) {
    WriteFile(dir_.File("Mixed.Dbf"), "x");
    HFileObject file;
    ASSERT_TRUE(file.Open("  \"" + dir_.File("Mixed.Dbf") + "\" ", Shared()));
    EXPECT_EQ(file.Path(), dir_.File("Mixed.Dbf"));
    EXPECT_EQ(file.FileName(), AnsiUpper(dir_.File("Mixed.Dbf")));
}

TEST_F(HFileObjectTest, SecondOpenInThisProcessSharesTheHandle) {
    HFileObject first, second;
    ASSERT_TRUE(first.Open(path_, Exclusive()));
    ASSERT_TRUE(second.Open(path_, Shared()));  // exclusive against other programs only
    EXPECT_TRUE(second.HandleInUseElsewhere());
    EXPECT_FALSE(second.Shared());  // the first open's flag is used
    first.Close();
    EXPECT_FALSE(second.HandleInUseElsewhere());
    char c = 0;
    EXPECT_TRUE(second.ReadAt(3, &c, 1));
    EXPECT_EQ(c, 'a');
}

TEST_F(HFileObjectTest, ReadOnlyObjectWritesNothing) {
    HFileObject file;
    ErrorLog log;
    log.Attach(file);
    ASSERT_TRUE(file.Open(path_, {HFileAccess::Read, HFileShare::DenyNone}));
    EXPECT_FALSE(file.WriteAt(0, "zz", 2));
    EXPECT_EQ(log.last().code, 5);
    EXPECT_EQ(log.last().subCode, 1102);
    EXPECT_FALSE(file.TruncateAt(1));
    EXPECT_EQ(ReadFile(path_), std::string(64, 'a'));
}

TEST_F(HFileObjectTest, FileWithoutWritePermissionOpensReadOnly) {
    std::filesystem::permissions(path_, std::filesystem::perms::owner_read);
    HFileObject file;
    ASSERT_TRUE(file.Open(path_, Shared()));
    EXPECT_TRUE(file.ReadOnly());
}

TEST_F(HFileObjectTest, ShortReadReports221) {
    HFileObject file;
    ErrorLog log;
    log.Attach(file);
    ASSERT_TRUE(file.Open(path_, Shared()));
    char buffer[10];
    EXPECT_FALSE(file.ReadAt(60, buffer, sizeof buffer));
    EXPECT_EQ(file.BytesRead(), 4u);
    EXPECT_EQ(log.last().code, 221);
    EXPECT_EQ(log.last().subCode, 1101);
}

TEST_F(HFileObjectTest, TransientReadFailureIsRetried) {
    FailingIo io;
    io.failReadAt = 1;
    io.failCount = 3;
    io.error = 5;  // EIO
    ScopedIo scoped(&io, 2000);
    HFileObject file;
    ASSERT_TRUE(file.Open(path_, Shared()));
    char c = 0;
    EXPECT_TRUE(file.ReadAt(0, &c, 1));
    EXPECT_EQ(io.reads, 4);
}

TEST_F(HFileObjectTest, SuccessfulOperationsDoNotReadTheClock) {
    CountingHost host;
    InstallHost(&host);
    HFileObject file;
    ASSERT_TRUE(file.Open(path_, Shared()));
    char c = 0;
    EXPECT_TRUE(file.ReadAt(0, &c, 1));
    EXPECT_TRUE(file.WriteAt(0, "b", 1));
    EXPECT_EQ(file.LockRegion(10, 1, 1), 0);
    EXPECT_EQ(file.Unlock(), 0);
    EXPECT_EQ(host.clockReads, 0);
    // A failed attempt starts the retry time.
    FailingIo io;
    io.failReadAt = 1;
    io.error = 5;  // EIO
    {
        ScopedIo scoped(&io, 2000);
        EXPECT_TRUE(file.ReadAt(0, &c, 1));
    }
    EXPECT_GE(host.clockReads, 1);
    file.Close();
    InstallHost(nullptr);
}

TEST_F(HFileObjectTest, PersistentWriteFailureIsReportedAfterRetrying) {
    FailingIo io;
    io.failWriteAt = 1;
    io.failCount = 1000000;
    io.error = 28;  // ENOSPC
    ScopedIo scoped(&io, 60);
    HFileObject file;
    ErrorLog log;
    log.Attach(file);
    ASSERT_TRUE(file.Open(path_, Shared()));
    EXPECT_FALSE(file.WriteAt(0, "z", 1));
    EXPECT_GT(io.writes, 1);
    EXPECT_EQ(log.last().code, 112);
    EXPECT_EQ(log.last().subCode, 1102);
}

TEST_F(HFileObjectTest, OneRegionLockPerObject) {
    HFileObject file;
    ASSERT_TRUE(file.Open(path_, Shared()));
    EXPECT_EQ(file.LockRegion(1000, 1, 5), 0);
    EXPECT_EQ(file.LockRegion(1000, 1, 5), 0);  // same offset and owner
    EXPECT_EQ(file.LockRegion(2000, 1, 6), 33);
    EXPECT_EQ(file.LockRegion(1000, 1, 6), 33);  // same offset, other owner
    EXPECT_EQ(file.Unlock(), 0);
    EXPECT_EQ(file.LockRegion(2000, 1, 6), 0);
}

TEST_F(HFileObjectTest, TwoObjectsOfOneProcessSeeEachOthersLocks) {
    HFileObject::SetRetryTime(50);
    HFileObject a, b;
    ASSERT_TRUE(a.Open(path_, Shared()));
    ASSERT_TRUE(b.Open(path_, Shared()));
    EXPECT_EQ(a.LockRegion(0x7FFFFFFE, 1, 1), 0);
    EXPECT_EQ(b.LockRegion(0x7FFFFFFE, 1, 1), 33);
    EXPECT_EQ(b.LockBytes(0x7FFFFFF0, 0x20), 33);
    a.Unlock();
    EXPECT_EQ(b.LockRegion(0x7FFFFFFE, 1, 1), 0);
    HFileObject::SetRetryTime(2000);
}

TEST_F(HFileObjectTest, AnotherThreadReleasingItsLockLetsTheWaiterIn) {
    HFileObject a, b;
    ASSERT_TRUE(a.Open(path_, Shared()));
    ASSERT_TRUE(b.Open(path_, Shared()));
    ASSERT_EQ(a.LockRegion(0x40000010, 1, 1), 0);
    std::thread holder([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        a.Unlock();  // must not wait for the engine mutex held by the waiter
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(b.LockRegion(0x40000010, 1, 1), 0);
    holder.join();
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.5);
}

TEST_F(HFileObjectTest, LocksAreVisibleToOtherOpenFileDescriptions) {
    HFileObject file;
    ASSERT_TRUE(file.Open(path_, Shared()));
    ASSERT_EQ(file.LockRegion(0xEFFFFFFF, 1, 1), 0);
    EXPECT_TRUE(LockedByOther(path_, 0xEFFFFFFF));
    EXPECT_FALSE(LockedByOther(path_, 0xEFFFFFFE));
    EXPECT_FALSE(LockedByOther(path_, 0xF0000000));
    file.Unlock();
    EXPECT_FALSE(LockedByOther(path_, 0xEFFFFFFF));
}

TEST_F(HFileObjectTest, WholeFileLockCoversEveryProtocolOffset) {
    HFileObject file;
    ASSERT_TRUE(file.Open(path_, Shared()));
    ASSERT_EQ(file.LockWholeFile(-3), 0);
    EXPECT_TRUE(file.WholeFileLocked());
    EXPECT_TRUE(LockedByOther(path_, 0));
    EXPECT_TRUE(LockedByOther(path_, 0xFFFFFFFE));
    EXPECT_FALSE(LockedByOther(path_, 0xFFFFFFFF));
}

TEST_F(HFileObjectTest, ClosingOneObjectKeepsTheOthersLocks) {
    HFileObject a, b;
    ASSERT_TRUE(a.Open(path_, Shared()));
    ASSERT_TRUE(b.Open(path_, Shared()));
    ASSERT_EQ(a.LockRegion(0x40000000, 1, 1), 0);
    ASSERT_EQ(b.LockRegion(0x40000001, 1, 2), 0);
    b.Close();
    EXPECT_TRUE(LockedByOther(path_, 0x40000000));
    EXPECT_FALSE(LockedByOther(path_, 0x40000001));  // b's lock went with b
}

TEST_F(HFileObjectTest, CreateRefusesAFileOpenInThisProgram) {
    HFileObject open, creator;
    ErrorLog log;
    log.Attach(creator);
    ASSERT_TRUE(open.Open(path_, Shared()));
    EXPECT_FALSE(creator.Create(path_));
    EXPECT_EQ(log.last().code, 12);
    EXPECT_EQ(log.last().subCode, 1108);
    EXPECT_EQ(ReadFile(path_).size(), 64u);
}

TEST_F(HFileObjectTest, UnknownLockProtocolLeavesOffsetsUnchanged) {
    HFileObject file;
    file.SetLockProtocol(HLokProtocol::DB4Lock);
    file.SetLockProtocol(static_cast<HLokProtocol>(9));
    EXPECT_EQ(file.SecondOffset(), 0xEFFFFFFFu);
    EXPECT_EQ(file.FileLockLength(), 0xB0000000u);
}

// --- Other programs ---------------------------------------------------------------------

TEST_F(HFileObjectTest, ExclusiveOpenElsewhereDeniesAccess) {
    OtherProcess other([&] {
        static HFileObject held;
        held.OnZadarirError = [](int, int, const std::string&) {};
        return held.Open(path_, Exclusive());
    });
    ASSERT_TRUE(other.Ready());
    HFileObject file;
    try {
        file.Open(path_, Shared());
        FAIL() << "no exception";
    } catch (const EZadarirError& e) {
        EXPECT_EQ(std::string(e.what()), "File " + AnsiUpper(path_) + " access is denied");
    }
    HFileObject reader;
    EXPECT_THROW(reader.Open(path_, {HFileAccess::Read, HFileShare::DenyNone}), EZadarirError);
}

TEST_F(HFileObjectTest, SharedOpenElsewhereDeniesExclusiveButAllowsShared) {
    OtherProcess other([&] {
        static HFileObject held;
        return held.Open(path_, Shared());
    });
    ASSERT_TRUE(other.Ready());
    HFileObject exclusive, shared;
    ErrorLog log;
    log.Attach(exclusive);
    EXPECT_FALSE(exclusive.Open(path_, Exclusive()));
    EXPECT_EQ(log.last().code, 32);
    EXPECT_TRUE(shared.Open(path_, Shared()));
    EXPECT_TRUE(shared.Shared());
}

TEST_F(HFileObjectTest, OpenProbeMeetingAnotherProgramsLockKeepsTheFileShared) {
    OtherProcess other([&] {
        static HFileObject held;
        return held.Open(path_, Shared()) && held.LockBytes(0, 32) == 0;
    });
    ASSERT_TRUE(other.Ready());
    HFileObject file;
    ASSERT_TRUE(file.Open(path_, Shared()));
    EXPECT_TRUE(file.Shared());
}

TEST_F(HFileObjectTest, LockHeldByAnotherProgramFailsAfterAboutTwoSeconds) {
    OtherProcess other([&] {
        static HFileObject held;
        return held.Open(path_, Shared()) && held.LockRegion(0x7FFFFFFE - 7, 1, 7) == 0;
    });
    ASSERT_TRUE(other.Ready());
    CountingHost host;
    InstallHost(&host);
    HFileObject file;
    ASSERT_TRUE(file.Open(path_, Shared()));
    auto start = std::chrono::steady_clock::now();
    int code = file.LockRegion(0x7FFFFFFE - 7, 1, 7);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    InstallHost(nullptr);
    EXPECT_EQ(code, 33);
    EXPECT_GE(seconds, 1.9);
    EXPECT_LT(seconds, 3.5);
    EXPECT_GT(host.pumps, 10);
    EXPECT_EQ(ZadarirMessage(code, 1112, file.FileName()), "Record is locked by another user");
}

TEST_F(HFileObjectTest, LockReleasedDuringTheRetryIsTaken) {
    OtherProcess other(
        [&] {
            static HFileObject held;
            return held.Open(path_, Shared()) && held.LockRegion(0x40000000, 1, 1) == 0;
        },
        [] { ::usleep(300000); });
    ASSERT_TRUE(other.Ready());
    HFileObject file;
    ASSERT_TRUE(file.Open(path_, Shared()));
    auto start = std::chrono::steady_clock::now();
    std::thread release([&] { other.Release(); });
    int code = file.LockRegion(0x40000000, 1, 1);
    release.join();
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(code, 0);
    EXPECT_LT(seconds, 1.9);
}

}  // namespace
