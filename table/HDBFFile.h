// HDBFFile: one open table file (".DBF", see doc/dbf_format.md) with its header, field
// descriptors and one record buffer. Reads, replaces, appends and deletes records, converts
// field values, and keeps the header current between programs that share the file.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "table/DbfFormat.h"
#include "table/HFileObject.h"

// One field as the engine keeps it: the 32 descriptor bytes as read, and what they mean.
struct HFieldDescriptor {
    std::array<char, 32> raw{};  // descriptor bytes as stored in the file
    std::string name;            // up to 10 characters, as stored (no padding)
    char type = 'C';             // type letter
    int width = 0;               // effective width: C fields use both width bytes
    int decimals = 0;            // 0 for C fields
    int offset = 0;              // position in the record buffer (1 for the first field)
    int number = 0;              // 1-based
};

// Local date and time, as stamped into the header.
struct HDateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Movement codes accepted by ReadRecord and Go in place of a record number.
namespace hmove {
constexpr int kNext = -1;
constexpr int kPrevious = -2;
constexpr int kTop = -3;
constexpr int kBottom = -4;
constexpr int kCurrent = -5;
}  // namespace hmove

// Record events raised to the object itself (see RecordEvent).
namespace hevent {
constexpr int kFieldChanged = 1;
constexpr int kOpened = 2;
constexpr int kBeforeRead = 4;
constexpr int kBeforeWrite = 5;
constexpr int kAfterRead = 6;
constexpr int kAfterWrite = 7;
}  // namespace hevent

// A table file open for record access. Owned by its table object (HDBFTable derives from it).
// Every failure goes through the error route of HFileObject and the operation then returns
// false, 0 or an empty value; the record buffer is left as it was unless stated otherwise.
//
// On a file opened shared, every write follows the full multi-program protocol: record or
// append lock, header re-read, header rewrite. On a file this object has to itself (opened
// exclusively and not shared with another object of the process) the header is rewritten only
// by Close and by releasing a whole-file lock, since nobody else can look at it before then.
class HDBFFile : public HFileObject {
public:
    HDBFFile();
    ~HDBFFile() override;

    // Opens and checks a table file. The name loses surrounding blanks and quotes; ".DBF" is
    // added when it has no extension (".dbf" is tried when only that exists). Any failure is
    // reported once with sub-code 1204 and the upper-case full path as text, and the object
    // stays closed: 2 missing file, 32 opened exclusively elsewhere, 221 file shorter than its
    // header, 1001 unknown version byte, 1012 lengths that do not fit the file or each other
    // (header length, record length, descriptor block, no fields), 203 no memory.
    bool Open(const std::string& name, HOpenMode mode) override;
    // Writes a still-dirty header, releases every lock and closes the file.
    void Close() override;

    // --- Records -----------------------------------------------------------------------
    // Physical read of one record, no filtering. `target` is a record number >= 1 or a
    // movement code (hmove; kCurrent before any read means record 1). Past the end: end-of-file,
    // false (and error 1002/1207 when more than one past the end). Before record 1:
    // beginning-of-file, false. Other targets <= 0: error 1002/1207 and both end flags. A short
    // read (221) sets end-of-file.
    bool ReadRecord(int target);
    // Writes the record buffer as record `n`; a number outside 1..RecordCount() appends.
    // Takes the record lock unless auto-lock is off or the whole file is locked. On failure the
    // file holds what it held before.
    bool ReplaceRecord(int n);
    // Writes the record buffer as a new last record followed by the end-of-file byte, under
    // the header and append locks. On failure the file is as it was.
    //
    // When AppendsWriteBehind() allows it, on a file this object has to itself and with no
    // index file attached, appended records are kept in the write-behind buffer
    // (HFileObject::WriteBehind) and written in batches: before any read, header write, lock,
    // other write, Close or Flush. A batch that cannot be written is reported then, as a
    // failed append is (code, 1102, name); the file is put back as it was before the batch and
    // the records of the batch are forgotten.
    bool AppendRecord();
    // Mark or unmark the current record deleted and write it. Without a current record
    // (nothing read yet) reports 1002/1207 and writes nothing.
    bool DeleteRecord();
    bool RecallRecord();
    // Fills the record buffer with blanks (the record number is kept).
    void BlankRecord();

    // --- Fields ------------------------------------------------------------------------
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    // REQUIRES: 1 <= number <= FieldCount().
    const HFieldDescriptor& Field(int number) const { return fields_[number - 1]; }
    // Case-insensitive lookup after removing trailing blanks; first match. Reports 1003/1298
    // with the name and returns nullptr when there is none.
    const HFieldDescriptor* FieldByName(std::string_view name);
    // The stored text, full width, not trimmed. Empty after a reported failure.
    std::string FieldGet(int number);
    std::string FieldGet(std::string_view name);
    // Stores text: blank-filled, left-aligned for C, D and L, right-aligned otherwise, cut to
    // the width. Sets the field's changed flag and raises record event 1.
    bool FieldPut(int number, std::string_view text);
    bool FieldPut(std::string_view name, std::string_view text);
    // Numeric access (N, F, B, G, I, M; on version 0x30 files also T and Y, read in binary).
    // An empty field is 0; a field that is not a number reports 1004 and gives 0.
    double NumberGet(int number);
    double NumberGet(std::string_view name);
    // Stores `value` with the field's width and decimals; a value that does not fit reports
    // 1011/1261 and leaves the field unchanged.
    bool NumberPut(int number, double value);
    bool NumberPut(std::string_view name, double value);
    // Julian day number of a D field, -1 for an empty one; a non-empty field that is not a
    // date reports 1004 and gives -1.
    int32_t DateGet(int number);
    int32_t DateGet(std::string_view name);
    // Text for showing a field: dates as MM/DD/YYYY, logicals as T or F, memo placeholders.
    std::string DisplayText(int number);

    // --- Header ------------------------------------------------------------------------
    // Re-reads the header of a file others may change and recounts the records from the file
    // size; sets ChangedByOther() when the count or update stamp moved. Does nothing on a file
    // this object has to itself or while the whole file is locked.
    bool RefreshHeader();
    // Rewrites the header (date, record count, flags, update stamp, user number) under the
    // header lock when it is dirty and the file is writable.
    bool WriteHeader();

    // --- Locks (table level, nested) ----------------------------------------------------
    // Record, append, file-range and whole-file locks count a depth; while the whole file is
    // locked further requests succeed at once. Failures are reported with sub-code 1112.
    bool LockRecord(int recNo);
    bool LockAppend();
    bool LockFileRange();
    bool LockWholeFile();
    // Undoes one lock. At depth 0 the region is unlocked, after writing the header when the
    // whole file was locked. Failure is reported with sub-code 1114.
    bool UnlockTable();
    // The header lock (bytes 0..31); nestable, only the outermost call locks. Failure is
    // reported with sub-code 1201.
    bool LockHeader();
    bool UnlockHeader();
    // The byte locked for record `recNo` under the current lock protocol.
    uint64_t RecordLockOffset(int recNo) const;

    // --- State -------------------------------------------------------------------------
    int32_t RecordCount() const { return recordCount_; }
    int32_t RecNo() const { return recNo_; }
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool Deleted() const { return !buffer_.empty() && buffer_[0] == dbf::kDeletedFlag; }
    uint8_t VersionByte() const { return version_; }
    int HeaderLength() const { return headerLength_; }
    int RecordLength() const { return recordLength_; }
    bool HasMemo() const;
    // True for the fields a version 0x30 table keeps in binary (B, T, Y of 8 bytes; I, G, M of
    // 4 bytes); their stored bytes are not text.
    bool BinaryField(const HFieldDescriptor& field) const;
    // The header as last read or written (32 bytes).
    const std::array<uint8_t, 32>& Header() const { return header_; }
    // Record buffer (record length bytes and the end-of-file byte) and the record as last read
    // or written.
    const std::string& RecordBuffer() const { return buffer_; }
    const std::string& SavedRecord() const { return saved_; }
    // Changed flag of field `number` (0: the deletion flag) since the record was read.
    bool FieldChanged(int number) const {
        return number >= 0 && static_cast<size_t>(number) < changed_.size() && changed_[number];
    }
    bool RecordChanged() const { return recordChanged_; }
    void SetRecordChanged(bool changed) { recordChanged_ = changed; }
    bool HeaderDirty() const { return headerDirty_; }
    bool ChangedByOther() const { return changedByOther_; }
    bool TableLocked() const { return wholeTableLocked_; }

    bool UseDeleted() const { return useDeleted_; }
    void SetUseDeleted(bool on) { useDeleted_ = on; }
    bool Transliterate() const { return transliterate_; }
    void SetTransliterate(bool on) { transliterate_ = on; }
    bool AutoLock() const { return autoLock_; }
    void SetAutoLock(bool on) { autoLock_ = on; }
    int32_t UserID() const { return userId_; }
    void SetUserID(int32_t id) { userId_ = id; }

    // The clock stamped into headers; tests install a fixed one. nullptr restores local time.
    static void SetClock(std::function<HDateTime()> clock);
    static HDateTime Now();

protected:
    // Record events: (code, info), see hevent. This layer sets the record-changed flag on 1 and
    // clears it on 6 and 7.
    virtual void RecordEvent(int code, int info);
    // Reads record `n` (1..RecordCount()) into `out` (record length bytes). Reports failures.
    virtual bool ReadRecordBytes(int n, char* out);
    // Record `n` now holds `bytes` on disk (a cache may keep a copy).
    virtual void RecordBytesWritten(int n, const char* bytes);
    // The file changed under us (other program, truncation): forget cached records.
    virtual void InvalidateReadAhead() {}
    void WriteBehindFailed() override;
    // True when appends may go through the write-behind buffer (see AppendRecord). This layer
    // writes every record at once.
    virtual bool AppendsWriteBehind() const { return false; }
    // True when an index file is attached (it moves the record lock of some protocols).
    virtual bool HasIndexFiles() const { return false; }
    // True when another party can see or change the file while we work on it.
    bool OthersMayLook() const { return Shared() || HandleInUseElsewhere(); }
    int64_t RecordPosition(int n) const {
        return headerLength_ + static_cast<int64_t>(n - 1) * recordLength_;
    }
    bool WriteHeaderAfterWrite();
    bool RefreshHeaderNow();
    void SetTableCount(int32_t count) { recordCount_ = count; }
    void MarkHeaderDirty() { headerDirty_ = true; }
    // Takes the whole-file lock without reporting; returns 0 or the failure code.
    int TryLockWholeFile() { return TryTakeLock(LockKind::WholeFile, 0); }
    void SetKnownTail(int64_t size, std::string tail) {
        knownSize_ = size;
        tail_ = std::move(tail);
    }

    bool bof_ = true;
    bool eof_ = false;
    int32_t recNo_ = 0;

private:
    enum class LockKind { Record, Append, FileRange, WholeFile };
    // Opens the file and reads its structure; the status carries the table-open sub-code.
    HStatus LoadTable(const std::string& name, HOpenMode mode);
    bool TakeLock(LockKind kind, int recNo);
    int TryTakeLock(LockKind kind, int recNo);
    bool CheckOpen(int subCode);
    const HFieldDescriptor* CheckField(int number, int subCode);
    bool NumericField(const HFieldDescriptor& field) const;
    std::string InvalidValueText(const char* what, const HFieldDescriptor& field,
                                 const std::string& text) const;
    // Writes `length` bytes at `position` without reporting; when that fails puts `before` back
    // (when given). Returns 0 or the failure code, for the caller to report once cleaned up.
    int WriteOrRestore(int64_t position, const char* bytes, size_t length,
                       const std::string& before);
    void ResetTable();

    std::array<uint8_t, 32> header_{};
    uint8_t version_ = 0;
    uint8_t versionCopy_ = 0;
    uint8_t flags_ = 0;
    int32_t recordCount_ = 0;
    int headerLength_ = 0;
    int recordLength_ = 0;
    std::vector<HFieldDescriptor> fields_;
    std::string buffer_;
    std::string saved_;
    std::string scratch_;
    std::vector<bool> changed_;
    bool recordChanged_ = false;
    bool useDeleted_ = true;
    bool transliterate_ = true;
    bool autoLock_ = true;
    bool headerDirty_ = false;
    bool wholeTableLocked_ = false;
    bool changedByOther_ = false;
    uint32_t lastSeenStamp_ = 0;
    int32_t lastSeenCount_ = 0;
    int32_t userId_ = 0;
    int lockDepth_ = 0;
    int headerLockDepth_ = 0;
    bool headerLockCovered_ = false;
    // Size of the file and the bytes after the last whole record, as last known: what a
    // failed append puts back.
    int64_t knownSize_ = 0;
    std::string tail_;
    // State before the first record of the write-behind batch: what a failed flush restores.
    int32_t batchCount_ = 0;
    bool batchHeaderDirty_ = false;
    int64_t batchSize_ = 0;
    std::string batchTail_;
};

// Releases one table-level lock (UnlockTable) when it goes out of scope, so that an exception
// from the error route does not leave the lock behind. Release() unlocks and reports failures;
// the destructor unlocks silently.
class HTableLockGuard {
public:
    explicit HTableLockGuard(HDBFFile& file) : file_(file) {}
    ~HTableLockGuard() {
        if (!held_) return;
        HFileObject::SuppressErrors quiet(file_);
        file_.UnlockTable();
    }
    HTableLockGuard(const HTableLockGuard&) = delete;
    HTableLockGuard& operator=(const HTableLockGuard&) = delete;
    void Adopt() { held_ = true; }
    bool Release() {
        if (!held_) return true;
        held_ = false;
        return file_.UnlockTable();
    }

private:
    HDBFFile& file_;
    bool held_ = false;
};

// The same for a header lock already taken.
class HHeaderLockGuard {
public:
    explicit HHeaderLockGuard(HDBFFile& file) : file_(file) {}
    ~HHeaderLockGuard() {
        if (!held_) return;
        HFileObject::SuppressErrors quiet(file_);
        file_.UnlockHeader();
    }
    HHeaderLockGuard(const HHeaderLockGuard&) = delete;
    HHeaderLockGuard& operator=(const HHeaderLockGuard&) = delete;
    bool Release() {
        if (!held_) return true;
        held_ = false;
        return file_.UnlockHeader();
    }

private:
    HDBFFile& file_;
    bool held_ = true;
};

// Reads a little-endian integer.
inline uint32_t DbfGet32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint16_t DbfGet16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline void DbfPut32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
