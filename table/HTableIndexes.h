// HTableIndexes: the index side of a table object: its attached compound index files (at most
// 63), the controlling order (one tag of one of them), ordered movement, seeks and ranges in
// that order, key updates after every record write, tag creation and rebuilding, and the index
// locks. Owned by the table object (HDBFTable), which forwards its index operations here.
//
// Every failure is reported through the table's error route and the operation then returns
// false or 0. Not thread-safe: the table serialises access.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "table/CdxFileStore.h"
#include "table/CdxIndexFile.h"
#include "table/CdxTag.h"
#include "table/HStatus.h"
#include "table/HTableKeySource.h"

class HDBFTable;

class HTableIndexes {
public:
    static constexpr size_t kMaxIndexFiles = 63;

    explicit HTableIndexes(HDBFTable& table);
    ~HTableIndexes();
    HTableIndexes(const HTableIndexes&) = delete;
    HTableIndexes& operator=(const HTableIndexes&) = delete;

    // --- Files ------------------------------------------------------------------------
    // Opens (or, when missing or shorter than 513 bytes, creates) the index file `path` and
    // attaches it. A name whose extension is not ".CDX" is refused (2, -7, the name); a file
    // already attached is not opened again. A file that is not a readable index: 2112, -7.
    bool Open(const std::string& path);
    // Detaches every index file; the table is then in record order.
    void CloseAll();
    bool Empty() const { return files_.empty(); }
    size_t FileCount() const { return files_.size(); }
    // True when an attached index file has the table's base name (the structural index).
    bool StructuralIndex() const;

    // Creates or replaces tag `tag` in index file `path` (".CDX" added when it has no
    // extension), attaching the file, and builds it from every record. `option` is the
    // sort-order code, `unique` 0 for a unique tag and 1 for duplicates allowed.
    bool AddTag(const std::string& path, const std::string& tag, const std::string& keyExpression,
                const std::string& forExpression, int option, int unique);
    // Removes tag `tag` from whichever attached file holds it. False when there is none.
    bool DeleteTag(const std::string& tag);
    // Rebuilds every tag of every attached file.
    bool ReindexAll();

    // --- Controlling order -------------------------------------------------------------
    // Selects tag `tag` (case-insensitive) of the attached files; empty: record order.
    bool SetOrder(const std::string& tag);
    bool HasOrder() const { return order_.tag != nullptr; }
    std::string OrderName() const { return HasOrder() ? order_.name : std::string(); }

    // Translates a movement code (hmove: top, bottom, next, previous, current) into the record
    // number of the order's entry, or 0 at an end (Bof/Eof of the order tell which). Next and
    // previous continue from the table's current record.
    uint32_t Move(int code);
    bool OrderBof() const;
    bool OrderEof() const;

    // Seeks `key` (typed text; a date tag takes YYYYMMDD) in the order. Returns the tag's
    // result: 0 found (*record set; 0 when outside the range), -1 not found and positioned
    // on the next greater entry (*record its record number), 1 past the end. `*sought`
    // receives the key in index form.
    int Seek(const std::string& key, bool exact, std::string* sought, uint32_t* record);
    // True when the current record's key equals `sought` or (unless `exact` or a numeric tag)
    // begins with it.
    bool CurrentKeyMatches(const std::string& sought, bool exact);
    // Limits the order to keys from `low` to `high` (typed text, empty: open on that side).
    void SetRange(const std::string& low, const std::string& high);

    // --- Writes ------------------------------------------------------------------------
    // After record `recNo` was written: raises each file's change counter, then updates the
    // keys of every tag (inserted for an appended record; for a replaced record moved from the
    // key of the record as read to the key of the new buffer).
    void UpdateKeys(int recNo, bool appended);
    // True when the last UpdateKeys moved the record within the controlling order.
    bool LastWriteMoved() const { return lastWriteMoved_; }
    // While suspended (a pack copying records down), writes update no keys.
    void SetSuspended(bool on) { suspended_ = on; }

    // Index locks of every attached file, all or none (nested). Failure: 33, 2222, the name.
    bool LockAll();
    void UnlockAll();
    // Drops every index lock held (before an error is handed on).
    void ReleaseAll();

    // Order tag, for tools and benchmarks (nullptr in record order).
    HCdxTag* OrderTag() { return order_.tag.get(); }

    // --- Walking the order's keys without reading records --------------------------------
    // For callers that decide from the keys alone which records they need. These move the
    // order's position but not the table's record: afterwards the table's next ordered move
    // finds its place again from its own record.
    //
    // Positions on the first entry whose key (index form) is not less than `key`; returns its
    // record number, or 0 when there is none (or no order).
    uint32_t SeekKeyForm(std::string_view key);
    // The next entry's record number, or 0 at the end.
    uint32_t NextKeyForm();
    // The current entry's key in index form (empty when not positioned); valid until the
    // order moves.
    std::string_view CurrentKeyForm() const;
    // Key length and kind of the order (a key as long as the length may have been cut).
    HKeyShape OrderShape() const { return HasOrder() ? order_.shape : HKeyShape{}; }

private:
    struct File;
    struct Order {
        File* file = nullptr;
        std::string name;
        HCdxIndexFile::TagInfo info;
        HKeyShape shape;
        char type = 'C';
        std::unique_ptr<HCdxTag> tag;
    };

    File* Find(const std::string& fullName);
    File* OpenFile(const std::string& path, bool create);
    bool Rebind();
    // Key of the current record (record buffer, or the record as read) in index form.
    bool RecordKey(bool saved, std::string* key);
    HCdxIndexFile::TableAccess Access(std::vector<char>* chunk, int32_t* chunkFirst,
                                      int32_t* chunkCount);
    std::string IndexForm(const std::string& text) const;
    bool LockFile(File& file);
    void UnlockFile(File& file);
    void Report(const HStatus& status);
    bool UpdateFile(File& file, int recNo, bool appended);

    HDBFTable& table_;
    HTableKeySource source_;
    std::vector<std::unique_ptr<File>> files_;
    Order order_;
    bool lastWriteMoved_ = false;
    bool suspended_ = false;
};
