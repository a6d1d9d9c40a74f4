#include "gedcom/LookupFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <stdexcept>

#include "gedcom/FilePaths.h"

namespace gedcom {

namespace {

constexpr char kBuildMarker[] = ".build-";

std::string Folder(const std::string& path) {
    const std::string folder = DirectoryPart(path);
    return folder.empty() ? std::string("./") : folder;
}

[[noreturn]] void ThrowFileError(const char* what, const std::string& path, int error) {
    throw std::runtime_error(std::string(what) + " " + path + ": " + std::strerror(error));
}

// Reads `length` bytes at `offset`; false when the file is shorter or cannot be read.
bool ReadAt(const std::string& path, int64_t offset, void* data, size_t length) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const ssize_t got = ::pread(fd, data, length, offset);
    ::close(fd);
    return got == static_cast<ssize_t>(length);
}

void WriteAt(int fd, const std::string& path, int64_t offset, const void* data, size_t length) {
    if (::pwrite(fd, data, length, offset) != static_cast<ssize_t>(length)) {
        ThrowFileError("Cannot write", path, errno == 0 ? EIO : errno);
    }
}

void Sync(const std::string& path, bool folder) {
    const int fd = ::open(path.c_str(), (folder ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) ThrowFileError("Cannot open", path, errno);
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    // Some file systems cannot sync a folder; the rename itself is still atomic there.
    if (result != 0 && !(folder && (error == EINVAL || error == EROFS))) {
        ThrowFileError("Cannot write", path, error);
    }
}

bool EndsWithNoCase(const std::string& name, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return name.size() >= n && AsciiUpper(name.substr(name.size() - n)) == suffix;
}

// The process id a temporary build file names, or -1 when `name` is not one.
long BuildProcessOf(const std::string& name) {
    if (!EndsWithNoCase(name, ".DBF") && !EndsWithNoCase(name, ".CDX")) return -1;
    const size_t marker = name.rfind(kBuildMarker);
    if (marker == std::string::npos) return -1;
    const char* digits = name.c_str() + marker + std::strlen(kBuildMarker);
    char* end = nullptr;
    const long pid = std::strtol(digits, &end, 10);
    return end != digits && *end == '-' && pid > 0 ? pid : -1;
}

bool ProcessRuns(long pid) { return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }

}  // namespace

std::string BuildTargetProblem(const std::string& target, const std::string& gedcomPath,
                               bool index) {
    struct stat info;
    if (::stat(target.c_str(), &info) != 0) {
        return errno == ENOENT ? std::string() : std::string("cannot be read: ") + std::strerror(errno);
    }
    if (S_ISDIR(info.st_mode)) return "is a folder";
    if (!S_ISREG(info.st_mode)) return "is not a regular file";
    struct stat gedcom;
    if (::stat(gedcomPath.c_str(), &gedcom) == 0 && gedcom.st_dev == info.st_dev &&
        gedcom.st_ino == info.st_ino) {
        return "is the GEDCOM file itself";
    }
    // An index is rebuilt from its table; whatever lies under its name is replaced.
    if (index) return std::string();
    uint8_t head[12];
    if (info.st_size < 32 || !ReadAt(target, 0, head, sizeof head)) return "is not a table";
    const uint8_t version = head[0];
    const unsigned headerLength = head[8] | head[9] << 8;
    const bool known = version == 0x03 || version == 0x30 || version == 0x83 ||
                       version == 0x8B || version == 0xF5;
    if (!known || headerLength < 33 || headerLength > info.st_size) return "is not a table";
    return std::string();
}

std::string TemporaryBuildPath(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    const std::string name = NamePart(target);
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    return DirectoryPart(target) + stem + kBuildMarker + std::to_string(::getpid()) + "-" +
           std::to_string(++counter) + extension;
}

void RemoveAbandonedBuildFiles(const std::string& folder) {
    const std::string base = folder.empty() ? std::string("./")
                             : folder.back() == '/' ? folder
                                                    : folder + "/";
    DIR* dir = ::opendir(base.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const std::string path = base + name;
        const long pid = BuildProcessOf(name);
        if (pid > 0) {
            if (pid != ::getpid() && !ProcessRuns(pid)) RemoveRegularFile(path);
            continue;
        }
        // Sort files of index builds hold a lock while they are in use.
        if (name.size() == 12 && EndsWithNoCase(name, ".CPL")) {
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
            if (fd < 0) continue;
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) RemoveRegularFile(path);
            ::close(fd);
        }
    }
    ::closedir(dir);
}

uint64_t NewPairStamp() {
    std::random_device source;
    uint64_t stamp = 0;
    while (stamp == 0) stamp = (static_cast<uint64_t>(source()) << 32) | source();
    return stamp;
}

void WritePairStamp(const std::string& table, const std::string& index, uint64_t stamp) {
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(stamp >> (8 * i));
    int fd = ::open(table.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) ThrowFileError("Cannot open", table, errno);
    try {
        WriteAt(fd, table, 12, bytes, 4);
        WriteAt(fd, table, 24, bytes + 4, 4);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    fd = ::open(index.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) ThrowFileError("Cannot open", index, errno);
    try {
        WriteAt(fd, index, 16, bytes, 8);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
}

bool LookupFilesBelongTogether(const std::string& table, const std::string& index) {
    uint8_t low[4];
    uint8_t high[4];
    uint8_t stamp[8];
    if (!ReadAt(table, 12, low, 4) || !ReadAt(table, 24, high, 4) || !ReadAt(index, 16, stamp, 8)) {
        return false;
    }
    return std::memcmp(low, stamp, 4) == 0 && std::memcmp(high, stamp + 4, 4) == 0;
}

void PutBuiltFilesInPlace(const std::string& builtTable, const std::string& builtIndex,
                          const std::string& table, const std::string& index) {
    Sync(builtIndex, false);
    Sync(builtTable, false);
    if (::rename(builtIndex.c_str(), index.c_str()) != 0) ThrowFileError("Cannot write", index, errno);
    if (::rename(builtTable.c_str(), table.c_str()) != 0) ThrowFileError("Cannot write", table, errno);
    Sync(Folder(table), true);
}

TBuildFolderLock::TBuildFolderLock(const std::string& folder)
    : folder_(folder.empty() ? std::string("./") : folder) {}

TBuildFolderLock::~TBuildFolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

bool TBuildFolderLock::TryLock() {
    if (held_) return true;
    if (fd_ < 0) {
        fd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        // Nothing can be built in a folder that cannot be opened; the build's own files then
        // fail with the engine's error, which says more than the lock could.
        if (fd_ < 0) return held_ = true;
    }
    held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    return held_;
}

}  // namespace gedcom
