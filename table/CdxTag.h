// HCdxTag: one tag of a compound index as a B-tree over pages read and written through an
// abstract page store: search and seek (record-number tie-breaking, the prefix rule), go top /
// bottom / next / previous on ascending and descending tags, ranges, and key insertion and
// deletion with leaf and interior splits and a new root above a split root.
//
// Keys handed in are in index form (table/KeyCollation.h). The tag keeps only the path from
// the root to the current leaf; the root offset is read afresh from the tag header by every
// operation that starts from the root. Nothing read from the file is trusted: offsets, counts
// and depths are checked, and a tag that fails a check reports code 2112, sub-code -7 (the file
// name) through Status() instead of reading out of bounds or looping.
//
// Not thread-safe; the table serialises access.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "table/CdxNode.h"
#include "table/HStatus.h"
#include "table/IndexWriter.h"
#include "table/KeyCollation.h"

// Pages of an index file: the writer's sink plus reading.
class HCdxPageStore : public HCdxPageSink {
public:
    // Reads the 512 bytes at `offset` (checked by the caller to lie inside the file).
    virtual HStatus ReadPage(uint32_t offset, HCdxPage* page) = 0;
    virtual uint64_t FileSize() = 0;
    // Cuts the file to `size` bytes (used when an index file is reset). Stores that cannot
    // shrink refuse (code 5, sub-code 1109).
    virtual HStatus Truncate(uint64_t /*size*/) {
        return HStatus::Error(zcode::kAccessDenied, zsub::kTruncate);
    }
};

class HCdxTag {
public:
    // The tag whose 1024-byte header lies at `headerOffset`.
    HCdxTag(HCdxPageStore& store, uint32_t headerOffset, const HKeyShape& shape, bool descending,
            std::string fileName);

    // --- Navigation: the record number, or 0 at either end (Bof/Eof set) ----------------
    uint32_t GoTop();
    uint32_t GoBottom();
    uint32_t Next();
    uint32_t Previous();

    // Searches `key`. Returns the record number when an entry equals the key, or (unless
    // `exact` or a numeric tag) begins with it, and lies inside the range; otherwise 0. The tag
    // stays on the next greater entry in the range when there is one (LastSeekResult() -1; the
    // range's first entry for a key below the range), or at the end (LastSeekResult() 1, Eof).
    uint32_t Seek(std::string_view key, bool exact);
    int LastSeekResult() const { return lastSeek_; }
    // Positions on the entry (key, record), so that Next and Previous continue from it.
    // Returns false when it is not in the tag.
    bool GoToKey(std::string_view key, uint32_t record);

    // Limits navigation to keys between `low` and `high` (index form, inclusive; empty: no
    // limit) and goes to the first key of the range.
    uint32_t SetRange(std::string low, std::string high);
    void ClearRange();

    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    // Key and record of the current entry (empty and 0 when not positioned).
    std::string CurrentKey() const;
    uint32_t CurrentRecord() const;
    // The current entry's key without a copy; valid until the tag moves.
    std::string_view CurrentKeyView() const;
    const HKeyShape& Shape() const { return shape_; }

    // --- Updates ----------------------------------------------------------------------------
    // Inserts (key, record). On a unique tag an equal key already present keeps its place and
    // the new one is not inserted (*inserted false). `largestRecord` (the record count) sets the
    // leaf widths of every leaf written. The position is lost.
    HStatus Insert(std::string_view key, uint32_t record, uint32_t largestRecord, bool unique,
                   bool* inserted = nullptr);
    // Deletes (key, record); *found tells whether it was there. The position is lost.
    HStatus Delete(std::string_view key, uint32_t record, uint32_t largestRecord,
                   bool* found = nullptr);

    // Moves one entry on from (key, record) in the tag's order (`next`) or back: to the entry
    // after or before it, also when (key, record) itself is not in the tag. Returns the record
    // number, or 0 with Bof/Eof set as Next and Previous do.
    uint32_t StepFrom(std::string_view key, uint32_t record, bool next);
    // Forgets the position (after the pages were changed through another tag object).
    void ForgetPosition() { path_.clear(); }
    // Levels from the root to the current leaf (0 when not positioned).
    size_t PathDepth() const { return path_.size(); }

    // The first damage found, or ok.
    const HStatus& Status() const { return status_; }

private:
    struct Step {
        uint32_t offset;
        HCdxNode node;
        int index;
        bool dirty = false;
    };
    static constexpr uint32_t kAfterEqualKeys = 0xFFFFFFFFu;

    HStatus Damaged();
    HStatus ReadRoot(uint32_t* root);
    HStatus Load(uint32_t offset, HCdxNode* node);
    // Compares an entry with the search key (and target record when `hasTarget`): true when
    // the entry is less.
    bool EntryLess(const HCdxEntry& e, std::string_view key, bool hasTarget, uint32_t target) const;
    // Builds the path to the leaf position of the first entry not less than the search key;
    // the leaf index may equal its entry count.
    HStatus Descend(std::string_view key, bool hasTarget, uint32_t target);
    // Full search: 0 found, -1 on a greater entry, 1 past the end.
    int Search(std::string_view key, bool hasTarget, uint32_t target, bool exact);
    // Descends from path_.back() (an interior step) along its first or last children.
    bool DescendEdge(bool first);
    // Goes to the first or last entry of the tag.
    bool Edge(bool first);
    // Moves to the next or previous entry, skipping empty leaves; the path is unchanged when
    // there is none.
    bool Advance(bool forward);
    // Rebuilds the path from the pages at `places` (offset and index, root first).
    void ReturnTo(const std::vector<std::pair<uint32_t, int>>& places);
    bool OnEntry() const;
    const HCdxEntry& Current() const { return path_.back().node.entries[path_.back().index]; }
    // Range check of the current entry: its record number, or 0 with Bof/Eof set.
    uint32_t InRange();
    uint32_t Top();
    uint32_t Bottom();

    // Update helpers.
    // After the last entry of path_[level] changed: the parents' entries follow it.
    void FixUpKeys(size_t level);
    // Writes every changed node from path_[level] up, splitting nodes that overflow.
    HStatus WriteUp(size_t level, uint32_t largestRecord);
    // Moves the leading entries of path_[*level] to a new left sibling; *level follows the
    // node when a new root is put above it.
    HStatus SplitOff(size_t* level, uint32_t largestRecord);
    HStatus PatchRight(uint32_t nodeOffset, uint32_t right);
    HStatus WriteRootOffset(uint32_t root);

    HCdxPageStore& store_;
    uint32_t headerOffset_;
    HKeyShape shape_;
    uint8_t pad_;
    bool descending_;
    std::string fileName_;
    std::vector<Step> path_;
    bool bof_ = false;
    bool eof_ = false;
    int lastSeek_ = 1;
    std::string low_;
    std::string high_;
    HStatus status_;
};
