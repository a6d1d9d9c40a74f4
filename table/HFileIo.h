// HFileIo: the system calls the engine makes on an open file descriptor, behind one small
// interface so that tests can install a fake that fails the Nth read or write. Also the one
// place where errno values become engine error codes.
#pragma once

#include <cstddef>
#include <cstdint>

// Positioned file I/O on a descriptor. Every method returns 0 on success or an errno value.
// Implementations must be thread-safe: the engine calls them under its process-wide mutex,
// except for the run file of an index build, which its sorting thread reads and writes alone.
class HFileIo {
public:
    virtual ~HFileIo() = default;

    // Reads up to `length` bytes at `position`; `*transferred` receives the count (fewer than
    // asked only at the end of the file). Retries interrupted and partial transfers.
    virtual int Read(int fd, void* buffer, size_t length, int64_t position, size_t* transferred);
    // Writes all `length` bytes at `position`. On failure some of them may have been written.
    virtual int Write(int fd, const void* buffer, size_t length, int64_t position);
    virtual int Truncate(int fd, int64_t length);
    virtual int Sync(int fd);
    virtual int Size(int fd, int64_t* size);
};

// The I/O in force: the POSIX implementation until InstallFileIo is called.
HFileIo& FileIo();
// Installs `io` (not owned; it must outlive its installation). nullptr restores POSIX.
void InstallFileIo(HFileIo* io);

// Maps an errno value to the engine's code: ENOENT 2, ENOTDIR 3, EMFILE/ENFILE 4,
// EACCES/EPERM/EISDIR/EROFS 5, EBADF 6, ENOMEM 8, EAGAIN/EDEADLK 33, EEXIST 80, EINVAL 87,
// ENOSPC 112, ENAMETOOLONG 206, EFBIG 223, ENOLCK/EOPNOTSUPP 1 (no locking on this file),
// EIO 1117; anything else 10000 + errno. 0 stays 0.
int ZadarirCodeFromErrno(int error);
