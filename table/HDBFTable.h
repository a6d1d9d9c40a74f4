// HDBFTable: the table object that a table component owns. Adds filtered navigation (Go,
// Skip), Pack and the read-ahead cache to the record access of HDBFFile, and is where the
// attached index files and their controlling order will live.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "table/HDBFFile.h"

class HDBFTable : public HDBFFile {
public:
    HDBFTable();
    ~HDBFTable() override;

    // Asked for the current record during filtered navigation: return false to hide it.
    // Assign only while the table is closed.
    std::function<bool()> OnFilter;
    // Progress of long operations: (stat1, stat2, stat3), see Pack.
    std::function<void(int, int, int)> OnStatus;

    void Close() override;
    // Index locks taken for the current operation are released before an error is delivered.
    void ReportError(int code, int subCode, const std::string& text) override;
    using HFileObject::ReportError;

    // Filtered positioning. `target` is a record number (taken as it is, even when deleted or
    // filtered out) or a movement code; movement codes pass over records that are deleted
    // while UseDeleted() is off or refused by OnFilter. Running off either end leaves the
    // table on the first or last acceptable record with Bof() or Eof() set and returns false;
    // when there is none the record buffer is blanked and both flags are set. A failed read of
    // record 0 or beyond the end blanks the buffer.
    bool Go(int target);
    // Moves by `count` acceptable records; 0 re-reads the current record. At an end the
    // record stays where it is and Eof() (forward) or Bof() (backward) is set.
    void Skip(int count);
    // Removes deleted records: copies live records down, truncates the file after the last
    // one and rewrites the header, then goes to the top. Needs the whole file locked (code 5,
    // sub-code 2105 otherwise). Sends OnStatus (-1, 11, count), (11, j, 0) per record and
    // (0, 0, 0) at the end. Returns false after a reported failure.
    bool Pack();

    // The read-ahead cache: sequential reads fetch many records per file access. Off by
    // default; switching it off discards its contents.
    void SetReadAhead(bool on);
    bool ReadAhead() const { return readAhead_; }
    // Largest cache in bytes (always at least one record).
    static constexpr size_t kMaxReadAheadBytes = 256 * 1024;

protected:
    void RecordEvent(int code, int info) override;
    bool ReadRecordBytes(int n, char* out) override;
    void RecordBytesWritten(int n, const char* bytes) override;
    void InvalidateReadAhead() override;

    // Seams for the index layer. Without index files there is no controlling order, writes
    // update no keys and Pack has nothing to rebuild.
    virtual bool HasControllingOrder() const { return false; }
    virtual void UpdateIndexKeys(int /*recNo*/, bool /*appended*/) {}
    virtual bool RebuildIndexes() { return true; }
    virtual void ReleaseIndexLocks() {}

private:
    bool Acceptable();
    bool SearchAcceptable(bool forward);
    void Status(int a, int b, int c) {
        if (OnStatus) OnStatus(a, b, c);
    }

    bool readAhead_ = false;
    std::vector<char> cache_;
    int cacheFirst_ = 0;  // record number of the first cached record
    int cacheCount_ = 0;
};
