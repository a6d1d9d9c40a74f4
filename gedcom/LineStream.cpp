#include "gedcom/LineStream.h"

#include "gedcom/UnicodeChars.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>
#include <unicode/utf8.h>

namespace {

using gedcom::AppendUtf8;

constexpr size_t kUnknown = static_cast<size_t>(-1);

bool IsTerminator(char c) { return c == '\n' || c == '\r'; }

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }


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

    const size_t head = ReadChunk(0, 3);
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(buffer_[i]); };
    if (head >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        mark_ = ByteOrderMark::Utf8;
        markLength_ = 3;
    } else if (head >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        mark_ = ByteOrderMark::Utf16Le;
        markLength_ = 2;
    } else if (head >= 2 && byte(0) == 0xFE && byte(1) == 0xFF) {
        mark_ = ByteOrderMark::Utf16Be;
        markLength_ = 2;
    }
    if (Utf16()) {
        // Whole code units per chunk.
        capacity_ = kCapacity + 1;
        buffer_.assign(capacity_ + 1, '\0');
    }
}

TLineStream::~TLineStream() {
    if (fd_ >= 0) ::close(fd_);
}

void TLineStream::SetPosition(int64_t offset) {
    resumeAt_ = -1;
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

char16_t TLineStream::UnitAt(size_t index) const {
    const auto first = static_cast<unsigned char>(buffer_[index]);
    const auto second = static_cast<unsigned char>(buffer_[index + 1]);
    return mark_ == ByteOrderMark::Utf16Le ? static_cast<char16_t>(first | (second << 8))
                                           : static_cast<char16_t>((first << 8) | second);
}

bool TLineStream::TerminatorUnitAt(size_t index) const {
    const char16_t unit = UnitAt(index);
    return unit == u'\n' || unit == u'\r';
}

int64_t TLineStream::SkipPastTerminator(int64_t offset) const {
    const size_t unit = Utf16() ? 2 : 1;
    std::vector<char> piece(65536);
    const auto unitAt = [&](size_t i) -> char16_t {
        const auto first = static_cast<unsigned char>(piece[i]);
        if (unit == 1) return first;
        const auto second = static_cast<unsigned char>(piece[i + 1]);
        return mark_ == ByteOrderMark::Utf16Le ? static_cast<char16_t>(first | (second << 8))
                                               : static_cast<char16_t>((first << 8) | second);
    };
    while (offset < size_) {
        size_t n = 0;
        while (n < piece.size()) {
            const ssize_t got = ::pread(fd_, piece.data() + n, piece.size() - n,
                                        offset + static_cast<int64_t>(n));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) ThrowFileError("Cannot read", path_, errno);
            if (got == 0) break;
            n += static_cast<size_t>(got);
        }
        n -= n % unit;
        if (n == 0) break;
        for (size_t i = 0; i < n; i += unit) {
            const char16_t c = unitAt(i);
            if (c != u'\n' && c != u'\r') continue;
            int64_t after = offset + static_cast<int64_t>(i + unit);
            if (c == u'\r' && after < size_) {
                // The LF of a CR LF pair may lie in the next piece: look at it on its own.
                char next[2] = {0, 0};
                if (::pread(fd_, next, unit, after) == static_cast<ssize_t>(unit)) {
                    const char16_t lf = unit == 1 ? static_cast<unsigned char>(next[0])
                                        : mark_ == ByteOrderMark::Utf16Le
                                            ? static_cast<char16_t>(static_cast<unsigned char>(next[0]) |
                                                                    (static_cast<unsigned char>(next[1]) << 8))
                                            : static_cast<char16_t>((static_cast<unsigned char>(next[0]) << 8) |
                                                                    static_cast<unsigned char>(next[1]));
                    if (lf == u'\n') after += static_cast<int64_t>(unit);
                }
            }
            return after;
        }
        offset += static_cast<int64_t>(n);
    }
    return size_;
}

// Loads the next chunk, starting where the valid bytes of the previous one ended. Unless the
// chunk reaches the end of the file, it is cut back to the terminator of its last whole line;
// a CR at the very end is cut too, as it may be the first half of a CR LF pair whose LF lies
// in the next chunk. The cut bytes are read again with the next chunk, so every byte is read
// at most twice however short the lines are.
void TLineStream::Fill() {
    const size_t unit = Utf16() ? 2 : 1;
    const auto crAt = [&](size_t i) {
        return unit == 2 ? UnitAt(i) == u'\r' : buffer_[i] == '\r';
    };
    const auto terminatorAt = [&](size_t i) {
        return unit == 2 ? TerminatorUnitAt(i) : IsTerminator(buffer_[i]);
    };
    int64_t start = resumeAt_ >= 0 ? resumeAt_ : chunkStart_ + static_cast<int64_t>(validLength_);
    resumeAt_ = -1;
    for (;;) {
        size_t n = ReadChunk(start, capacity_);
        size_t valid = n;
        bool reachesEnd = n < capacity_ || start + static_cast<int64_t>(n) >= size_;
        if (!reachesEnd) {
            valid -= valid % unit;
            if (valid >= unit && crAt(valid - unit)) valid -= unit;
            while (valid >= unit && !terminatorAt(valid - unit)) valid -= unit;
            if (valid == 0 && capacity_ < kMaxLineLength) {
                // Not one whole line in the chunk: grow the buffer and read the chunk again.
                capacity_ = std::min(capacity_ * 2, kMaxLineLength);
                buffer_.assign(capacity_ + 1, '\0');
                continue;
            }
            if (valid == 0) {
                // A line longer than the limit: the chunk is handed out as the line and the
                // rest of it is skipped. A CR that ends the chunk is the line's own terminator.
                valid = n - n % unit;
                const bool endsInCr = crAt(valid - unit);
                resumeAt_ = SkipPastTerminator(start + static_cast<int64_t>(valid) -
                                               (endsInCr ? static_cast<int64_t>(unit) : 0));
                reachesEnd = resumeAt_ >= size_;
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
    if (Utf16()) return ReadUtf16Line();
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

    if (chunkStart_ + static_cast<int64_t>(start) == 0) start += std::min(markLength_, end);
    size_t length = end - start;
    if (const void* nul = std::memchr(data + start, '\0', length)) {
        length = static_cast<size_t>(static_cast<const char*>(nul) - (data + start));
    }
    return std::string_view(data + start, length);
}

std::string_view TLineStream::ReadUtf16Line() {
    if (scanPosition_ == validLength_) Fill();
    size_t start = lineStart_;
    size_t end = start;
    while (end + 1 < validLength_ && !TerminatorUnitAt(end)) end += 2;
    if (end + 1 < validLength_) {
        const bool pair =
            UnitAt(end) == u'\r' && end + 3 < validLength_ && UnitAt(end + 2) == u'\n';
        scanPosition_ = end + (pair ? 4 : 2);
    } else {
        // The last line of the file, perhaps with an odd byte at its end.
        end = scanPosition_ = validLength_;
    }
    lineStart_ = scanPosition_;
    if (scanPosition_ == validLength_ && chunkReachesEnd_) endOfFile_ = true;

    if (chunkStart_ + static_cast<int64_t>(start) == 0) start += std::min(markLength_, end);
    utf8Line_.clear();
    for (size_t i = start; i < end;) {
        if (i + 1 == end) {
            AppendUtf8(utf8Line_, 0xFFFD);  // a final odd byte
            break;
        }
        char32_t c = UnitAt(i);
        i += 2;
        if (c == 0) break;
        if (IsHighSurrogate(c) && i + 1 < end && IsLowSurrogate(UnitAt(i))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (UnitAt(i) - 0xDC00);
            i += 2;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            c = 0xFFFD;
        }
        AppendUtf8(utf8Line_, c);
    }
    return utf8Line_;
}
