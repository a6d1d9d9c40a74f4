#include "table/HFileObject.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "table/CharServices.h"
#include "table/EZadarirError.h"
#include "table/HFileIo.h"
#include "table/Host.h"

// One descriptor, shared by every object of this process that opened the same file.
struct HSharedHandle {
    struct Range {
        uint64_t offset;
        uint64_t length;
        const HFileObject* owner;
    };
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;
    bool shared = false;
    bool writable = false;
    int users = 0;
    HFileObject* writingBehind = nullptr;  // the object with queued bytes, if any
    std::vector<Range> ranges;  // every lock held through this descriptor, by object
};

namespace {

std::vector<HSharedHandle*>& OpenHandles() {
    static std::vector<HSharedHandle*> handles;
    return handles;
}

std::atomic<uint32_t> gRetryTime{2000};

thread_local int gLastSystemError = 0;

bool Overlaps(uint64_t a, uint64_t aLength, uint64_t b, uint64_t bLength) {
    return a < b + bLength && b < a + aLength;
}

// errno values that a retry may cure.
bool TransientIoError(int error) {
    return error == EIO || error == ENOSPC || error == EAGAIN || error == EINTR ||
           error == EDQUOT || error == ENOLCK;
}

bool LockConflict(int error) { return error == EAGAIN || error == EACCES || error == EDEADLK; }

// Runs `attempt` (returning 0 or an errno value) under the engine mutex. While it fails with
// an error that `retryable` accepts, tries again until the retry time has passed, letting the
// host process its events between attempts. The mutex is not held while waiting, so another
// thread can release the lock being waited for.
//
// The clock is read only once an attempt has failed: the first attempt nearly always succeeds,
// and a tick-counter read per file operation is measurable when records are written one by one.
template <class Attempt, class Retryable>
int WithRetry(Attempt attempt, Retryable retryable) {
    bool started = false;
    uint32_t start = 0;
    for (;;) {
        int error;
        {
            std::lock_guard<std::recursive_mutex> lock(EngineMutex());
            error = attempt();
        }
        if (error == 0 || !retryable(error)) return error;
        if (!started) {
            started = true;
            start = Host().TickCount();
        }
        if (Host().TickCount() - start >= gRetryTime) return error;
        Host().ProcessPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int OfdLock(int fd, short type, uint64_t offset, uint64_t length) {
    struct flock fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    fl.l_pid = 0;
    if (::fcntl(fd, F_OFD_SETLK, &fl) == 0) return 0;
    return errno;
}

bool WritableDescriptor(int fd) {
    int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_ACCMODE) != O_RDONLY;
}

std::string TrimName(const std::string& name) {
    size_t first = name.find_first_not_of(" \"");
    if (first == std::string::npos) return {};
    size_t last = name.find_last_not_of(" \"");
    return name.substr(first, last - first + 1);
}

}  // namespace

int ZadarirLastSystemError() { return gLastSystemError; }

std::recursive_mutex& EngineMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

std::string ZadarirFullPath(const std::string& path) {
    std::string name = TrimName(path);
    if (name.empty()) return name;
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(name, ec);
    if (ec) return name;
    return full.lexically_normal().string();
}

std::string ZadarirDisplayName(const std::string& path) { return AnsiUpper(ZadarirFullPath(path)); }

HFileObject::HFileObject() = default;

HFileObject::~HFileObject() { Close(); }

void HFileObject::SetRetryTime(uint32_t milliseconds) { gRetryTime = milliseconds; }

uint32_t HFileObject::RetryTime() { return gRetryTime; }

void HFileObject::ReportError(int code, int subCode, const std::string& text) {
    if (code == 0) return;
    lastError_ = code;
    gLastSystemError = code;
    if (suppressDepth_ > 0) return;
    if (OnZadarirError) {
        OnZadarirError(code, subCode, text);
    } else {
        DefaultZadarirHandler(code, subCode, text);
    }
}

bool HFileObject::HandleInUseElsewhere() const { return handle_ && handle_->users > 1; }

bool HFileObject::Open(const std::string& path, HOpenMode mode) {
    Close();
    path_ = ZadarirFullPath(path);
    displayName_ = AnsiUpper(path_);
    mode_ = mode;
    position_ = 0;
    wrote_ = false;

    std::unique_lock<std::recursive_mutex> lock(EngineMutex());
    struct stat st;
    if (path_.empty() || ::stat(path_.c_str(), &st) != 0) {
        int code = path_.empty() ? zcode::kFileNotFound : ZadarirCodeFromErrno(errno);
        lock.unlock();
        ReportError(code, zsub::kOpen, displayName_);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        lock.unlock();
        ReportError(zcode::kAccessDenied, zsub::kOpen, displayName_);
        return false;
    }
    for (HSharedHandle* handle : OpenHandles()) {
        if (handle->device == st.st_dev && handle->inode == st.st_ino) {
            // The bytes another object keeps back must be on disk before this one can look.
            if (handle->writingBehind) handle->writingBehind->FlushWriteBehind();
            handle_ = handle;
            ++handle->users;
            shared_ = handle->shared;
            readOnly_ = mode.access == HFileAccess::Read || !handle->writable;
            return true;
        }
    }

    const bool attributeReadOnly = (st.st_mode & 0222) == 0;
    readOnly_ = mode.access == HFileAccess::Read || attributeReadOnly;
    const bool exclusive = mode.share == HFileShare::Exclusive;
    // An exclusive open needs a write lock, hence a writable descriptor, even for reading.
    int fd = -1;
    if (!attributeReadOnly && (!readOnly_ || exclusive)) {
        fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0 && errno != EACCES && errno != EROFS && errno != EPERM) {
            int code = ZadarirCodeFromErrno(errno);
            lock.unlock();
            ReportError(code, zsub::kOpen, displayName_);
            return false;
        }
    }
    if (fd < 0) {
        readOnly_ = true;
        fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            int code = ZadarirCodeFromErrno(errno);
            lock.unlock();
            ReportError(code, zsub::kOpen, displayName_);
            return false;
        }
    }
    const bool writableFd = WritableDescriptor(fd);
    // Sharing modes: exclusive opens hold a write lock on the share byte, shared opens a read
    // lock, so each refuses the other across processes.
    short shareType = (exclusive && writableFd) ? F_WRLCK : F_RDLCK;
    int error = OfdLock(fd, shareType, kShareLockOffset, 1);
    if (error != 0 && LockConflict(error)) {
        ::close(fd);
        lock.unlock();
        ReportError(zcode::kSharingViolation, zsub::kOpen, displayName_);
        return false;
    }
    shared_ = !exclusive;
    if (shared_ && !readOnly_) {
        // Probe: can this file be locked at all? A conflict proves that it can.
        error = OfdLock(fd, F_WRLCK, 0, 1);
        if (error == 0) {
            OfdLock(fd, F_UNLCK, 0, 1);
        } else if (!LockConflict(error)) {
            shared_ = false;
        }
    }
    auto* handle = new HSharedHandle;
    handle->fd = fd;
    handle->device = st.st_dev;
    handle->inode = st.st_ino;
    handle->shared = shared_;
    handle->writable = writableFd && !attributeReadOnly;
    handle->users = 1;
    OpenHandles().push_back(handle);
    handle_ = handle;
    return true;
}

bool HFileObject::Create(const std::string& path) {
    Close();
    path_ = ZadarirFullPath(path);
    displayName_ = AnsiUpper(path_);
    mode_ = HOpenMode{HFileAccess::ReadWrite, HFileShare::Exclusive};
    position_ = 0;
    wrote_ = false;

    std::unique_lock<std::recursive_mutex> lock(EngineMutex());
    struct stat st;
    if (!path_.empty() && ::stat(path_.c_str(), &st) == 0) {
        for (HSharedHandle* handle : OpenHandles()) {
            if (handle->device == st.st_dev && handle->inode == st.st_ino) {
                lock.unlock();
                ReportError(zcode::kFileOpenHere, zsub::kCreate, displayName_);
                return false;
            }
        }
    }
    int fd = path_.empty() ? -1 : ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        int code = path_.empty() ? zcode::kFileNotFound : ZadarirCodeFromErrno(errno);
        lock.unlock();
        ReportError(code, zsub::kCreate, displayName_);
        return false;
    }
    int error = OfdLock(fd, F_WRLCK, kShareLockOffset, 1);
    if (error != 0 && LockConflict(error)) {
        ::close(fd);
        lock.unlock();
        ReportError(zcode::kSharingViolation, zsub::kCreate, displayName_);
        return false;
    }
    if (::fstat(fd, &st) != 0 || FileIo().Truncate(fd, 0) != 0) {
        int code = ZadarirCodeFromErrno(errno);
        ::close(fd);
        lock.unlock();
        ReportError(code, zsub::kCreate, displayName_);
        return false;
    }
    auto* handle = new HSharedHandle;
    handle->fd = fd;
    handle->device = st.st_dev;
    handle->inode = st.st_ino;
    handle->shared = false;
    handle->writable = true;
    handle->users = 1;
    OpenHandles().push_back(handle);
    handle_ = handle;
    shared_ = false;
    readOnly_ = false;
    return true;
}

void HFileObject::Close() {
    if (!handle_) return;
    FlushWriteBehind();
    std::lock_guard<std::recursive_mutex> lock(EngineMutex());
    // Drop every lock this object holds, even when the descriptor lives on for another
    // object: a lock must not outlive the object that took it.
    auto& ranges = handle_->ranges;
    for (size_t i = ranges.size(); i-- > 0;) {
        if (ranges[i].owner != this) continue;
        if (shared_ && handle_->users > 1) {
            OfdLock(handle_->fd, F_UNLCK, ranges[i].offset, ranges[i].length);
        }
        ranges.erase(ranges.begin() + static_cast<std::ptrdiff_t>(i));
    }
    regionLocked_ = false;
    wholeFileLocked_ = false;
    ReleaseHandle();
}

void HFileObject::ReleaseHandle() {
    if (--handle_->users > 0) {
        if (wrote_) FileIo().Sync(handle_->fd);
    } else {
        ::close(handle_->fd);  // drops the descriptor's remaining locks
        auto& handles = OpenHandles();
        handles.erase(std::find(handles.begin(), handles.end(), handle_));
        delete handle_;
    }
    handle_ = nullptr;
}

bool HFileObject::ReadAt(int64_t position, void* buffer, size_t length) {
    bytesRead_ = 0;
    if (!handle_) {
        ReportError(6, zsub::kRead, displayName_);
        return false;
    }
    if (!FlushWriteBehind()) return false;
    const int64_t at = position < 0 ? position_ : position;
    size_t transferred = 0;
    int error =
        WithRetry([&] { return FileIo().Read(handle_->fd, buffer, length, at, &transferred); },
                  TransientIoError);
    bytesRead_ = transferred;
    if (error != 0) {
        ReportError(ZadarirCodeFromErrno(error), zsub::kRead, displayName_);
        return false;
    }
    position_ = at + static_cast<int64_t>(transferred);
    if (transferred < length) {
        ReportError(zcode::kShortRead, zsub::kRead, displayName_);
        return false;
    }
    return true;
}

bool HFileObject::WriteAt(int64_t position, const void* buffer, size_t length) {
    if (!handle_) {
        ReportError(6, zsub::kWrite, displayName_);
        return false;
    }
    if (readOnly_) {
        ReportError(zcode::kAccessDenied, zsub::kWrite, displayName_);
        return false;
    }
    if (!FlushWriteBehind()) return false;
    const int64_t at = position < 0 ? position_ : position;
    int error = WithRetry([&] { return FileIo().Write(handle_->fd, buffer, length, at); },
                          TransientIoError);
    if (error != 0) {
        ReportError(ZadarirCodeFromErrno(error), zsub::kWrite, displayName_);
        return false;
    }
    position_ = at + static_cast<int64_t>(length);
    wrote_ = true;
    if (flushMode_ == HFlushMode::AfterWrite) return Flush();
    return true;
}

int64_t HFileObject::FileSize() {
    if (!handle_) {
        ReportError(6, zsub::kFileSize, displayName_);
        return -1;
    }
    if (!FlushWriteBehind()) return -1;
    int64_t size = 0;
    int error;
    {
        std::lock_guard<std::recursive_mutex> lock(EngineMutex());
        error = FileIo().Size(handle_->fd, &size);
    }
    if (error != 0) {
        ReportError(ZadarirCodeFromErrno(error), zsub::kFileSize, displayName_);
        return -1;
    }
    return size;
}

bool HFileObject::Flush() {
    if (!handle_) return false;
    if (!FlushWriteBehind()) return false;
    int error;
    {
        std::lock_guard<std::recursive_mutex> lock(EngineMutex());
        error = FileIo().Sync(handle_->fd);
    }
    if (error != 0) {
        ReportError(ZadarirCodeFromErrno(error), zsub::kFlush, displayName_);
        return false;
    }
    return true;
}

bool HFileObject::TruncateAt(int64_t position) {
    if (!handle_) return false;
    if (readOnly_) {
        ReportError(zcode::kAccessDenied, zsub::kTruncate, displayName_);
        return false;
    }
    if (!FlushWriteBehind()) return false;
    int error;
    {
        std::lock_guard<std::recursive_mutex> lock(EngineMutex());
        error = FileIo().Truncate(handle_->fd, position);
    }
    if (error != 0) {
        ReportError(ZadarirCodeFromErrno(error), zsub::kTruncate, displayName_);
        return false;
    }
    wrote_ = true;
    return true;
}

bool HFileObject::CanWriteBehind() const {
    return handle_ != nullptr && !shared_ && !readOnly_ && handle_->users == 1 &&
           flushMode_ != HFlushMode::AfterWrite;
}

bool HFileObject::WriteBehind(int64_t position, const void* buffer, size_t length,
                              int64_t sizeBefore, const std::string& tailBefore) {
    if (!CanWriteBehind()) {
        if (!FlushWriteBehind()) return false;
        return WriteAt(position, buffer, length);
    }
    if (!WriteBehindFits(position, length) && !FlushWriteBehind()) return false;
    if (pending_.empty()) {
        if (length > kWriteBehindBytes) return WriteAt(position, buffer, length);
        pending_.reserve(kWriteBehindBytes);
        pendingAt_ = position;
        restoreSize_ = sizeBefore;
        restoreTail_ = tailBefore;
        handle_->writingBehind = this;
    }
    const size_t offset = static_cast<size_t>(position - pendingAt_);
    if (pending_.size() < offset + length) pending_.resize(offset + length);
    std::memcpy(pending_.data() + offset, buffer, length);
    position_ = position + static_cast<int64_t>(length);
    wrote_ = true;
    return true;
}

bool HFileObject::WriteBehindFits(int64_t position, size_t length) const {
    if (pending_.empty()) return true;
    const int64_t end = pendingAt_ + static_cast<int64_t>(pending_.size());
    return position >= pendingAt_ && position <= end &&
           static_cast<size_t>(position - pendingAt_) + length <= kWriteBehindBytes;
}

bool HFileObject::FlushWriteBehind() {
    if (pending_.empty()) return true;
    handle_->writingBehind = nullptr;
    std::string bytes;
    bytes.swap(pending_);
    const int64_t at = pendingAt_;
    int error = WithRetry([&] { return FileIo().Write(handle_->fd, bytes.data(), bytes.size(), at); },
                          TransientIoError);
    if (error == 0) {
        bytes.clear();
        pending_.swap(bytes);  // keeps the buffer's memory for the next batch
        return true;
    }
    {
        // Put the file back as it was before the batch: old length, old bytes after it.
        std::lock_guard<std::recursive_mutex> lock(EngineMutex());
        FileIo().Truncate(handle_->fd, restoreSize_);
        if (!restoreTail_.empty())
            FileIo().Write(handle_->fd, restoreTail_.data(), restoreTail_.size(), at);
    }
    WriteBehindFailed();
    ReportError(ZadarirCodeFromErrno(error), zsub::kWrite, displayName_);
    return false;
}

int HFileObject::AcquireRange(uint64_t offset, uint64_t length, bool retry) {
    auto attempt = [&]() -> int {
        for (const auto& range : handle_->ranges) {
            if (range.owner != this && Overlaps(range.offset, range.length, offset, length)) {
                return EAGAIN;
            }
        }
        if (shared_) {
            short type = WritableDescriptor(handle_->fd) ? F_WRLCK : F_RDLCK;
            int error = OfdLock(handle_->fd, type, offset, length);
            if (error != 0) return error;
        }
        handle_->ranges.push_back({offset, length, this});
        return 0;
    };
    int error = WithRetry(attempt, [retry](int e) { return retry && LockConflict(e); });
    if (error == EACCES) error = EAGAIN;  // a conflict, whichever way the kernel says it
    return ZadarirCodeFromErrno(error);
}

int HFileObject::ReleaseRange(uint64_t offset, uint64_t length) {
    auto attempt = [&]() -> int {
        auto& ranges = handle_->ranges;
        for (auto it = ranges.begin(); it != ranges.end(); ++it) {
            if (it->owner == this && it->offset == offset && it->length == length) {
                if (shared_) {
                    int error = OfdLock(handle_->fd, F_UNLCK, offset, length);
                    if (error != 0) return error;
                }
                ranges.erase(it);
                return 0;
            }
        }
        return 0;
    };
    return ZadarirCodeFromErrno(WithRetry(attempt, TransientIoError));
}

int HFileObject::LockRegion(uint64_t offset, uint64_t length, int64_t owner) {
    if (!handle_) return 6;
    if (regionLocked_) {
        return (offset == regionOffset_ && owner == regionOwner_) ? 0 : zcode::kLockViolation;
    }
    int code = AcquireRange(offset, length, true);
    if (code != 0) return code;
    regionLocked_ = true;
    regionOffset_ = offset;
    regionLength_ = length;
    regionOwner_ = owner;
    wholeFileLocked_ = offset == 0 && length == kWholeFileLength;
    return 0;
}

int HFileObject::LockWholeFile(int64_t owner) { return LockRegion(0, kWholeFileLength, owner); }

int HFileObject::Unlock() {
    if (!handle_ || !regionLocked_) return 0;
    int code = ReleaseRange(regionOffset_, regionLength_);
    if (flushMode_ == HFlushMode::OnUnlock && !readOnly_) {
        FlushWriteBehind();
        std::lock_guard<std::recursive_mutex> lock(EngineMutex());
        FileIo().Sync(handle_->fd);
    }
    regionLocked_ = false;
    wholeFileLocked_ = false;
    return code;
}

int HFileObject::LockBytes(uint64_t offset, uint64_t length) {
    if (!handle_) return 6;
    int code = AcquireRange(offset, length, true);
    return code == zcode::kLockUnsupported ? 0 : code;
}

int HFileObject::UnlockBytes(uint64_t offset, uint64_t length) {
    if (!handle_) return 6;
    int code = ReleaseRange(offset, length);
    return code == zcode::kLockUnsupported ? 0 : code;
}

void HFileObject::SetLockProtocol(HLokProtocol protocol) {
    switch (protocol) {
        case HLokProtocol::Default:
        case HLokProtocol::FoxLock:
            firstOffset_ = 0x40000000u;
            secondOffset_ = 0x7FFFFFFEu;
            fileLockLength_ = 0x3FFFFFFFu;
            break;
        case HLokProtocol::DB4Lock:
            firstOffset_ = 0x40000000u;
            secondOffset_ = 0xEFFFFFFFu;
            fileLockLength_ = 0xB0000000u;
            break;
        case HLokProtocol::ClipLock:
            firstOffset_ = 1000000000u;
            secondOffset_ = 1000000000u;
            fileLockLength_ = 1000000000u;
            break;
        default:
            return;  // unknown protocol: offsets unchanged
    }
    protocol_ = protocol;
}
