// TLineStream: reads a GEDCOM file line by line and tells, before each line, the byte offset
// in the file at which that line begins. The lookup-table builder stores these offsets; the
// person model later starts a fresh reader at a stored offset to read one record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Reads a file in chunks of whole lines. LF, CR LF and a lone CR each end a line; no other
// byte does (a tab or a Ctrl-Z is part of the line). A final line without a terminator is still
// returned, a terminator at the very end of the file makes no extra empty line, and an empty
// file gives exactly one empty line. Lines are handed out without their terminators.
//
// A byte-order mark at the start of the file decides how the file is read and is never part
// of the first line's text (the first line still begins at offset 0):
// - EF BB BF (UTF-8) and no mark: lines are handed out in place, in the file's own bytes;
// - FF FE or FE FF: the whole file is UTF-16, little- or big-endian. Lines end at the code
//   units LF and CR, and each line is handed out converted to UTF-8; an unpaired surrogate and
//   a final odd byte become U+FFFD. Offsets stay byte offsets into the file.
//
// Chunks hold at most kCapacity bytes; a chunk always ends with the terminator of its last
// whole line, so a CR LF pair is never split between two chunks. A line longer than a chunk
// makes the buffer grow until the line fits, up to kMaxLineLength bytes: a longer line is cut
// there and the rest of it skipped, so memory stays bounded whatever the input. Every byte is
// read at most twice, so any input is handed out in time linear in its size.
//
// Calling order: construct; optionally SetPosition; then, while !EndOfFile(): optionally
// LinePosition(), ReadLine(), examine the line. Not thread-safe; one reader per thread.
class TLineStream {
public:
    enum class ByteOrderMark : uint8_t { None, Utf8, Utf16Le, Utf16Be };

    // Bytes read per chunk (the buffer has one more byte for the NUL after the valid bytes).
    static constexpr size_t kCapacity = 32383;
    // The longest line handed out whole, in bytes (UTF-16 files: of the file, before conversion).
    static constexpr size_t kMaxLineLength = 1 << 20;

    // Opens `path` for reading. Throws std::runtime_error naming the file when it cannot be
    // opened (a missing file is reported, never created).
    explicit TLineStream(const std::string& path);
    ~TLineStream();
    TLineStream(const TLineStream&) = delete;
    TLineStream& operator=(const TLineStream&) = delete;

    // Starts reading at byte `offset`. REQUIRES: no line has been read yet.
    void SetPosition(int64_t offset);

    // The byte offset in the file of the first byte of the line the next ReadLine returns.
    int64_t LinePosition() const {
        if (resumeAt_ >= 0 && lineStart_ == validLength_) return resumeAt_;  // after a cut line
        return chunkStart_ + static_cast<int64_t>(lineStart_);
    }

    // Returns the next line without its terminator. The text lives in the reader's buffer and
    // stays valid until the next ReadLine; it is followed by a NUL. A NUL byte (in UTF-16, a
    // NUL code unit) inside a line ends the text callers see. Throws std::runtime_error when
    // the file cannot be read.
    std::string_view ReadLine();

    // True once the line just handed out was the last line of the file.
    bool EndOfFile() const { return endOfFile_; }

    // The file's size in bytes, taken when it was opened.
    int64_t Size() const { return size_; }

    // The byte-order mark the file begins with.
    ByteOrderMark Mark() const { return mark_; }

private:
    void Fill();
    size_t ReadChunk(int64_t offset, size_t count);
    size_t NextTerminator(size_t from);
    // UTF-16 reading: code units of two bytes, in the mark's byte order.
    bool Utf16() const { return mark_ == ByteOrderMark::Utf16Le || mark_ == ByteOrderMark::Utf16Be; }
    char16_t UnitAt(size_t index) const;
    bool TerminatorUnitAt(size_t index) const;
    std::string_view ReadUtf16Line();
    // The offset after the first line terminator at or after `offset`; the file's size when
    // there is none.
    int64_t SkipPastTerminator(int64_t offset) const;

    std::string path_;
    int fd_ = -1;
    int64_t size_ = 0;
    size_t capacity_ = kCapacity;
    std::vector<char> buffer_;     // capacity_ + 1 bytes
    size_t validLength_ = 0;       // bytes of the chunk that belong to whole lines
    size_t lineStart_ = 0;         // first byte of the next line to hand out
    size_t scanPosition_ = 0;      // where the last line scan stopped
    int64_t chunkStart_ = 0;       // file offset of buffer_[0]
    bool chunkReachesEnd_ = false; // the chunk holds the last byte of the file
    bool endOfFile_ = false;
    size_t nextLf_ = 0;            // where the next LF and CR of the chunk lie, once looked up
    size_t nextCr_ = 0;
    ByteOrderMark mark_ = ByteOrderMark::None;
    size_t markLength_ = 0;        // bytes of the mark, skipped when the first line is read
    std::string utf8Line_;         // a UTF-16 line converted for the caller
    int64_t resumeAt_ = -1;        // where the next chunk starts after a cut line
};
