#include "gedcom/LineStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

constexpr size_t kUnknown = static_cast<size_t>(-1);

bool IsTerminator(char c) { return c == '\n' || c == '\r'; }

[[noreturn]] void ThrowFileError(const char* what, const std::string& path, int error) {
    throw std::runtime_error(std::string(what) + " " + path + ": " + std::strerror(error));
}

}  // namespace

TLineStream::TLineStream(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) ThrowFileError("Cannot open", path, errno);
    struct stat info;
    if (::fstat(fd_, &info) != 0) {
        int error = errno;
        ::close(fd_);
        ThrowFileError("Cannot open", path, error);
    }
    size_ = info.st_size;
    buffer_.assign(capacity_ + 1, '\0');
}

TLineStream::~TLineStream() {
    if (fd_ >= 0) ::close(fd_);
}

void TLineStream::SetPosition(int64_t offset) {
    chunkStart_ = offset;
    validLength_ = lineStart_ = scanPosition_ = 0;
}

// Reads up to `count` bytes at `offset` into the buffer; fewer only at the end of the file.
size_t TLineStream::ReadChunk(int64_t offset, size_t count) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::pread(fd_, buffer_.data() + done, count - done, offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowFileError("Cannot read", path_, errno);
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

// Loads the next chunk, starting where the valid bytes of the previous one ended. Unless the
// chunk reaches the end of the file, it is cut back to the terminator of its last whole line;
// the terminators at the very end are cut too, as they may be the CR of a CR LF pair whose LF
// lies in the next chunk. The cut bytes are read again with the next chunk.
void TLineStream::Fill() {
    int64_t start = chunkStart_ + static_cast<int64_t>(validLength_);
    for (;;) {
        size_t n = ReadChunk(start, capacity_);
        size_t valid = n;
        bool reachesEnd = n < capacity_ || start + static_cast<int64_t>(n) >= size_;
        if (!reachesEnd) {
            while (valid > 1 && IsTerminator(buffer_[valid - 1])) --valid;
            while (valid > 1 && !IsTerminator(buffer_[valid - 1])) --valid;
            if (!IsTerminator(buffer_[valid - 1])) {
                // Not one whole line in the chunk: grow the buffer and read the chunk again.
                capacity_ *= 2;
                buffer_.assign(capacity_ + 1, '\0');
                continue;
            }
        }
        buffer_[valid] = '\0';
        chunkStart_ = start;
        validLength_ = valid;
        chunkReachesEnd_ = reachesEnd;
        lineStart_ = scanPosition_ = 0;
        nextLf_ = nextCr_ = kUnknown;
        return;
    }
}

// Finds the first CR or LF at or after `from`; validLength_ when there is none. Remembers where
// the next LF and the next CR lie so that a file with only one kind is scanned once.
size_t TLineStream::NextTerminator(size_t from) {
    const char* data = buffer_.data();
    auto find = [&](char c) {
        const void* hit = std::memchr(data + from, c, validLength_ - from);
        return hit ? static_cast<size_t>(static_cast<const char*>(hit) - data) : validLength_;
    };
    if (nextLf_ == kUnknown || nextLf_ < from) nextLf_ = find('\n');
    if (nextCr_ == kUnknown || nextCr_ < from) nextCr_ = find('\r');
    return nextLf_ < nextCr_ ? nextLf_ : nextCr_;
}

std::string_view TLineStream::ReadLine() {
    if (scanPosition_ == validLength_) Fill();
    char* data = buffer_.data();
    size_t start = lineStart_;
    size_t end = NextTerminator(start);
    if (end < validLength_) {
        // The byte after the valid bytes is the NUL, so a CR at the very end is a lone CR.
        size_t terminatorLength = (data[end] == '\r' && data[end + 1] == '\n') ? 2 : 1;
        data[end] = '\0';
        scanPosition_ = end + terminatorLength;
    } else {
        scanPosition_ = validLength_;
    }
    lineStart_ = scanPosition_;
    if (scanPosition_ == validLength_ && chunkReachesEnd_) endOfFile_ = true;

    size_t length = end - start;
    if (const void* nul = std::memchr(data + start, '\0', length)) {
        length = static_cast<size_t>(static_cast<const char*>(nul) - (data + start));
    }
    return std::string_view(data + start, length);
}
