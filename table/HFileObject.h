// HFileObject: every file the table engine touches is reached through one of these. It
// serialises file access inside the program, retries failed operations for a short time,
// takes byte-range locks at the offsets of the table's lock protocol, and reports failures
// as (code, sub-code, text) through one error route.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "table/HStatus.h"

enum class HFileAccess { Read, Write, ReadWrite };
enum class HFileShare { Exclusive, DenyNone };

// How a file is opened: the access part and the sharing part.
struct HOpenMode {
    HFileAccess access = HFileAccess::ReadWrite;
    HFileShare share = HFileShare::DenyNone;
};

// Byte-range locking schemes (see doc/dbf_format.md, "Locks").
enum class HLokProtocol { Default, DB4Lock, ClipLock, FoxLock };

// 0: never flush explicitly; 1: flush after every write; 3: flush when a lock is released on
// a writable file.
enum class HFlushMode { Never = 0, AfterWrite = 1, OnUnlock = 3 };

struct HSharedHandle;

// The process-wide mutex held by every file operation of the engine. Recursive: an event
// handler run while the engine waits may itself use the engine.
std::recursive_mutex& EngineMutex();

// One open file. Not copyable. Owned by the table or index object that opened it.
//
// Thread rules: every method takes the process-wide mutex for each file operation, so objects
// may be used from several threads; one object must not be used by two threads at once.
//
// A second Open of the same file (same device and inode) in this process shares the first
// object's descriptor and its shared flag; locks are still checked between the objects, so
// two objects of one process see each other's locks just as two processes do.
class HFileObject {
public:
    // Receives every reported error: (code, sub-code, text). When empty, the default handler
    // runs and throws EZadarirError.
    using ErrorEvent = std::function<void(int code, int info, const std::string& text)>;

    HFileObject();
    virtual ~HFileObject();
    HFileObject(const HFileObject&) = delete;
    HFileObject& operator=(const HFileObject&) = delete;

    // --- Error route -------------------------------------------------------------------
    // Records `code` as the last error and, unless errors are suppressed, delivers it to
    // OnZadarirError or the default handler. Code 0 does nothing.
    virtual void ReportError(int code, int subCode, const std::string& text);
    void ReportError(const HStatus& status) {
        ReportError(status.code, status.subCode, status.text);
    }
    ErrorEvent OnZadarirError;
    int LastError() const { return lastError_; }
    void ClearLastError() { lastError_ = 0; }

    // While one of these lives, failures are recorded but not reported.
    class SuppressErrors {
    public:
        explicit SuppressErrors(HFileObject& file) : file_(file) { ++file_.suppressDepth_; }
        ~SuppressErrors() { --file_.suppressDepth_; }
        SuppressErrors(const SuppressErrors&) = delete;
        SuppressErrors& operator=(const SuppressErrors&) = delete;

    private:
        HFileObject& file_;
    };

    // --- Opening and closing -----------------------------------------------------------
    // Opens `path` with `mode`. Blanks and double quotes around the name are removed and a
    // relative name is made absolute; the case is kept. On failure reports (system code,
    // 1107, upper-case name) and returns false. A file without write permission bits is
    // opened read-only. A fresh shared open for writing probes whether byte-range locks work
    // here; when they do not, the file is treated as not shared.
    virtual bool Open(const std::string& path, HOpenMode mode);
    // Creates (or empties) `path` and opens it read/write and exclusive. Fails with code 12
    // when the file is open in this program, and with 32 when another program has it open.
    bool Create(const std::string& path);
    // Releases this object's locks and closes the descriptor unless another object of this
    // process still uses it (then the file is only flushed, and only when this object wrote).
    virtual void Close();
    bool IsOpen() const { return handle_ != nullptr; }

    // --- Guarded I/O -------------------------------------------------------------------
    // Reads `length` bytes at `position` (-1: the current position). A system failure is
    // retried for the retry time, pumping host events between attempts, then reported with
    // sub-code 1101. A short read records 221 (reported) and returns false; BytesRead() tells
    // how much arrived. On success the current position advances.
    bool ReadAt(int64_t position, void* buffer, size_t length);
    // Writes `length` bytes at `position` (-1: current). Failures are retried, then reported
    // with sub-code 1102. A read-only object writes nothing and reports code 5.
    bool WriteAt(int64_t position, const void* buffer, size_t length);
    // Size in bytes, or -1 after a reported failure (sub-code 1105).
    int64_t FileSize();
    bool Flush();
    bool TruncateAt(int64_t position);

    // --- Write-behind ------------------------------------------------------------------
    // Queues `length` bytes for `position` in the write-behind buffer instead of writing them
    // now. Only for an object that has the file to itself (opened exclusively, descriptor not
    // shared with another object, flush mode not 1); otherwise, or when the bytes neither
    // extend nor overlap the queued ones, or the buffer would pass kWriteBehindBytes, the
    // queued bytes are written first (see FlushWriteBehind) and the new ones start a new batch
    // or, when buffering is not allowed, are written at once as by WriteAt. `sizeBefore` and
    // `tailBefore` describe the file before the first queued write of a batch: its size and
    // the bytes from `position` to that size, what a failed flush puts back. Returns false
    // after a reported failure.
    bool WriteBehind(int64_t position, const void* buffer, size_t length, int64_t sizeBefore,
                     const std::string& tailBefore);
    // Writes the queued bytes, if any. On failure the file is put back as it was before the
    // batch (size and tail), WriteBehindFailed runs, and (code, 1102, name) is reported.
    // ReadAt, WriteAt, FileSize, Flush, TruncateAt, the locks and Close call it first, so the
    // queued bytes are on disk before anything can look at the file.
    bool FlushWriteBehind();
    bool WriteBehindPending() const { return !pending_.empty(); }
    // True when `length` bytes for `position` can join the queued ones without a flush.
    bool WriteBehindFits(int64_t position, size_t length) const;
    static constexpr size_t kWriteBehindBytes = 64 * 1024;

    // --- Locks -------------------------------------------------------------------------
    // Locks `length` bytes at `offset` for `owner`. This object holds at most one region lock:
    // the same offset and owner again succeeds without a new lock; any other request while
    // one is held fails with 33. On a file that is not shared the lock is only noted. Lock
    // conflicts are retried for the retry time. Returns 0 or the failure code; reports
    // nothing (the caller reports with its sub-code).
    int LockRegion(uint64_t offset, uint64_t length, int64_t owner);
    // LockRegion(0, whole-file length).
    int LockWholeFile(int64_t owner);
    // Releases the region lock (flushing in flush mode 3). Returns 0 or the failure code.
    int Unlock();
    bool RegionLocked() const { return regionLocked_; }
    bool WholeFileLocked() const { return wholeFileLocked_; }

    // Locks or unlocks a byte range that is not part of the region bookkeeping (the header
    // lock). Same retry and sharing rules as LockRegion; codes 0 and 1 count as success.
    int LockBytes(uint64_t offset, uint64_t length);
    int UnlockBytes(uint64_t offset, uint64_t length);

    void SetLockProtocol(HLokProtocol protocol);
    HLokProtocol LockProtocol() const { return protocol_; }
    uint64_t FirstOffset() const { return firstOffset_; }
    uint64_t SecondOffset() const { return secondOffset_; }
    uint64_t FileLockLength() const { return fileLockLength_; }

    void SetFlushMode(HFlushMode mode) { flushMode_ = mode; }

    // --- State -------------------------------------------------------------------------
    // Full path upper-cased: the name used in messages.
    const std::string& FileName() const { return displayName_; }
    // Full path as opened (case kept): the name used for I/O.
    const std::string& Path() const { return path_; }
    bool Shared() const { return shared_; }
    bool ReadOnly() const { return readOnly_; }
    // True when another object of this process uses the same descriptor.
    bool HandleInUseElsewhere() const;
    int64_t Position() const { return position_; }
    size_t BytesRead() const { return bytesRead_; }

    // Time in milliseconds that failed operations and lock conflicts are retried (2000 by
    // default). Process-wide.
    static void SetRetryTime(uint32_t milliseconds);
    static uint32_t RetryTime();

    // Whole-file lock length: every byte from offset 0.
    static constexpr uint64_t kWholeFileLength = 4294967295u;
    // Region used to emulate exclusive and shared opens (beyond every protocol's locks).
    static constexpr uint64_t kShareLockOffset = 0x4000000000000000ull;

protected:
    // The queued bytes of a batch could not be written and the file holds what it held before
    // the batch: forget whatever the batch was taken to have added. Runs before the report.
    virtual void WriteBehindFailed() {}

private:
    friend class SuppressErrors;
    // May this object keep written bytes to itself for a while?
    bool CanWriteBehind() const;
    int AcquireRange(uint64_t offset, uint64_t length, bool retry);
    int ReleaseRange(uint64_t offset, uint64_t length);
    void ReleaseHandle();

    HSharedHandle* handle_ = nullptr;
    std::string path_;
    std::string displayName_;
    HOpenMode mode_;
    bool shared_ = false;
    bool readOnly_ = false;
    bool wrote_ = false;
    int64_t position_ = 0;
    size_t bytesRead_ = 0;
    int lastError_ = 0;
    int suppressDepth_ = 0;

    bool regionLocked_ = false;
    bool wholeFileLocked_ = false;
    uint64_t regionOffset_ = 0;
    uint64_t regionLength_ = 0;
    int64_t regionOwner_ = 0;

    HLokProtocol protocol_ = HLokProtocol::Default;
    uint64_t firstOffset_ = 0x40000000u;
    uint64_t secondOffset_ = 0x7FFFFFFEu;
    uint64_t fileLockLength_ = 0x3FFFFFFFu;
    HFlushMode flushMode_ = HFlushMode::Never;

    // Write-behind batch: bytes queued for pendingAt_, and the file's size and tail (the bytes
    // from pendingAt_ to that size) before the batch.
    std::string pending_;
    int64_t pendingAt_ = 0;
    int64_t restoreSize_ = 0;
    std::string restoreTail_;
};

// The code of the last error reported (or recorded) by any file object on this thread.
int ZadarirLastSystemError();

// Upper-cased absolute form of `path` after removing surrounding blanks and double quotes:
// the name an engine message shows.
std::string ZadarirDisplayName(const std::string& path);
// Absolute form of `path` after removing surrounding blanks and double quotes (case kept).
std::string ZadarirFullPath(const std::string& path);
