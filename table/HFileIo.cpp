#include "table/HFileIo.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

int HFileIo::Read(int fd, void* buffer, size_t length, int64_t position, size_t* transferred) {
    char* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < length) {
        ssize_t n = ::pread(fd, out + done, length - done, position + static_cast<int64_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            *transferred = done;
            return errno;
        }
        if (n == 0) break;  // end of file
        done += static_cast<size_t>(n);
    }
    *transferred = done;
    return 0;
}

int HFileIo::Write(int fd, const void* buffer, size_t length, int64_t position) {
    const char* in = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < length) {
        ssize_t n = ::pwrite(fd, in + done, length - done, position + static_cast<int64_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        done += static_cast<size_t>(n);
    }
    return 0;
}

int HFileIo::Truncate(int fd, int64_t length) { return ::ftruncate(fd, length) == 0 ? 0 : errno; }

int HFileIo::Sync(int fd) { return ::fsync(fd) == 0 ? 0 : errno; }

int HFileIo::Size(int fd, int64_t* size) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return errno;
    *size = st.st_size;
    return 0;
}

namespace {
HFileIo gPosixIo;
HFileIo* gIo = &gPosixIo;
}  // namespace

HFileIo& FileIo() { return *gIo; }

void InstallFileIo(HFileIo* io) { gIo = io ? io : &gPosixIo; }

int ZadarirCodeFromErrno(int error) {
    switch (error) {
        case 0:
            return 0;
        case ENOENT:
            return 2;
        case ENOTDIR:
            return 3;
        case EMFILE:
        case ENFILE:
            return 4;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return 5;
        case EBADF:
            return 6;
        case ENOMEM:
            return 8;
        case EAGAIN:
        case EDEADLK:
            return 33;
        case EEXIST:
            return 80;
        case EINVAL:
            return 87;
        case ENOSPC:
            return 112;
        case ENAMETOOLONG:
            return 206;
        case EFBIG:
            return 223;
        case ENOLCK:
        case EOPNOTSUPP:
            return 1;
        case EIO:
            return 1117;
        default:
            return 10000 + error;
    }
}
