// HDBFTable: the table object that a table component owns. Adds filtered navigation (Go,
// Skip), Pack and the read-ahead cache to the record access of HDBFFile, and the attached
// compound index files with their controlling order (kept by HTableIndexes).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "table/HDBFFile.h"
#include "table/KeyExpression.h"

class HTableIndexes;

class HDBFTable : public HDBFFile {
public:
    HDBFTable();
    ~HDBFTable() override;

    // Asked for the current record during filtered navigation: return false to hide it.
    // Assign only while the table is closed.
    std::function<bool()> OnFilter;
    // Progress of long operations: (stat1, stat2, stat3), see Pack.
    std::function<void(int, int, int)> OnStatus;
    // Offered every key expression before the built-in evaluator (see KeyExpression.h).
    HFormulaMake OnFormula;

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

    // Write-behind of appends (see HDBFFile::AppendRecord): on a table opened exclusively,
    // appended records are written in batches of up to 64 KB instead of one write each. On
    // by default; it never applies to a shared table. Switching it off writes a pending batch.
    void SetWriteBehind(bool on);
    bool WriteBehindOn() const { return writeBehind_; }

    // Overrides the end flags, for callers that define them after a move (the table
    // component sets Bof after going to the top and Eof after going to the bottom).
    void SetEndFlags(bool bof, bool eof) {
        bof_ = bof;
        eof_ = eof;
    }

    // --- Index operations ---------------------------------------------------------------
    // Compound index files (".CDX") attached to the table: with a controlling order, Go and
    // Skip move in its order and Find seeks in it; every record write updates the keys of all
    // attached tags; Pack rebuilds them.
    //
    // A failed Find goes to the next greater key instead of the end.
    bool FindNear() const { return findNear_; }
    void SetFindNear(bool on) { findNear_ = on; }
    // Find needs the whole key to match (otherwise a key that begins with the sought text
    // is found).
    bool ExactFind() const { return exactFind_; }
    void SetExactFind(bool on) { exactFind_ = on; }
    // Result of the last Find.
    bool Found() const { return found_; }

    // Opens index file `path` (as named by the caller) and attaches it, creating it when it is
    // missing or shorter than 513 bytes. Returns false after a reported failure: a name whose
    // extension is not ".CDX" is refused with code 2, sub-code -7 and the name; a file that is
    // not a readable index is 2112, -7. A file already attached is not opened again.
    virtual bool OpenIndex(const std::string& path);
    // Closes every attached index file; the table is then in record order.
    virtual void CloseIndexes();
    // Makes tag `tag` of the attached index files the controlling order; an empty name
    // selects record order. Returns false after a reported failure.
    virtual bool SetOrder(const std::string& tag);
    // Name of the controlling tag, empty in record order.
    virtual std::string OrderName() const;
    // Creates (or replaces) tag `tag` in index file `path`, creating the file when needed,
    // and builds it from every record, reporting progress through OnStatus. `option` is the
    // sort-order code and `unique` the unique code of the index layer, passed through
    // unchanged. Returns false after a reported failure.
    virtual bool AddTag(const std::string& path, const std::string& tag,
                        const std::string& keyExpression, const std::string& forExpression,
                        int option, int unique);
    // Seeks `key` in the controlling order and reads the record found. Without a controlling
    // order the table goes to the bottom with Eof() set and the result is false. Sets Found().
    virtual bool Find(const std::string& key);
    // Limits the controlling order to keys between `low` and `high` (empty: no limit on that
    // side) and goes to the first record in range. Without a controlling order nothing happens.
    virtual void SetRange(const std::string& low, const std::string& high);
    // Position of the current record within the controlling order as 0..100, or -1 when the
    // order cannot tell.
    virtual int OrderPercent() { return -1; }
    // Positions at `percent` of the controlling order; false when the order cannot.
    virtual bool GoOrderPercent(int /*percent*/) { return false; }
    // Locks and unlocks every attached index file for one record write (ClipLock protocol).
    // LockIndexes returns false after a reported failure and then holds no lock.
    virtual bool LockIndexes();
    virtual void UnlockIndexes();
    // True when the last record write moved the record within the controlling order.
    virtual bool LastWriteMovedRecord() const;
    // Rebuilds every tag of every attached index file from the records. False after a
    // reported failure.
    bool Reindex();
    // True when an attached index file has the table's base name (the structural index).
    bool HasStructuralIndex() const;
    // The attached index files and the controlling order.
    HTableIndexes& Indexes() { return *indexes_; }

protected:
    void RecordEvent(int code, int info) override;
    bool ReadRecordBytes(int n, char* out) override;
    void RecordBytesWritten(int n, const char* bytes) override;
    void InvalidateReadAhead() override;
    bool AppendsWriteBehind() const override { return writeBehind_; }

    // Seams for the index layer. Without index files there is no controlling order, writes
    // update no keys and Pack has nothing to rebuild.
    virtual bool HasControllingOrder() const;
    virtual void UpdateIndexKeys(int recNo, bool appended);
    virtual bool RebuildIndexes();
    virtual void ReleaseIndexLocks();
    bool HasIndexFiles() const override;

private:
    bool Acceptable();
    bool SearchAcceptable(bool forward);
    void SettleAfterRunningOff(bool found, bool forward);
    // Go for a movement code with a controlling order.
    bool GoInOrder(int target);
    void Status(int a, int b, int c) {
        if (OnStatus) OnStatus(a, b, c);
    }

    bool readAhead_ = false;
    bool writeBehind_ = true;
    bool findNear_ = false;
    bool exactFind_ = false;
    bool found_ = false;
    std::vector<char> cache_;
    int cacheFirst_ = 0;  // record number of the first cached record
    int cacheCount_ = 0;
    std::unique_ptr<HTableIndexes> indexes_;
};
