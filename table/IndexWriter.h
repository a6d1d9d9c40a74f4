// HIndexWriter: writes the keys of one tag, arriving in order, bottom-up into compressed
// leaves and interior nodes (doc/cdx_format.md), one pass, never reading a node back.
// BuildTag: the whole build of a tag from the table's records, with its status reports.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "table/CdxNode.h"
#include "table/HStatus.h"
#include "table/IndexSorter.h"
#include "table/KeyCollation.h"

// Where the pages of an index go. The index file object implements it; tests use a fake.
class HCdxPageSink {
public:
    virtual ~HCdxPageSink() = default;
    // Takes a new page at the end of the file and returns its offset in `*offset`.
    virtual HStatus AllocatePage(uint32_t* offset) = 0;
    // Writes 512 bytes at `offset` (a page taken before).
    virtual HStatus WritePage(uint32_t offset, const HCdxPage& page) = 0;
    // Writes `count` neighbouring pages (512 bytes each) from `offset` on; by default one by
    // one.
    virtual HStatus WritePages(uint32_t offset, const uint8_t* pages, size_t count);
};

// The table component's status event: (stat1, stat2, stat3).
using HStatusReport = std::function<void(int stat1, int stat2, int stat3)>;

// Builds one tag's tree. Usage: Begin, Add for every key in order, Finish.
//
// A leaf is finished when its free space falls below twice (bytes per entry + key length + 8);
// an interior node when it holds 500 div (key length + 8) keys. A finished node is written
// once the next key for its level arrives, with the new node's page as its right sibling;
// the last node of every level gets right sibling -1, and the single node of the top level
// is the root. Pages are taken in this order: the first leaf at Begin; then for each finished
// node the page of the next node of its level, before the level above is started.
class HIndexWriter {
public:
    // `largestRecord`: the table's record count (the file size for the tag directory); it sets
    // the leaf field widths. `report` may be empty.
    HIndexWriter(HCdxPageSink& sink, const HKeyShape& shape, uint32_t largestRecord,
                 HStatusReport report);

    // Takes the first leaf's page.
    HStatus Begin();
    // Adds the next key (index form, not smaller than the previous one) with its record
    // number and reports (2, keys written so far, 0).
    HStatus Add(std::string_view key, uint32_t record);
    // Writes the pending nodes level by level; `*root` receives the root node's offset. With
    // no keys the root is an empty leaf (attributes 3).
    HStatus Finish(uint32_t* root);

    uint32_t KeysWritten() const { return keysWritten_; }

private:
    // A level's node being filled: its page, its left sibling and (interior levels) its
    // entries. The leaf level's keys go straight into leaf_.
    struct Level {
        HCdxNode node;
        uint32_t page = 0;
        bool full = false;
    };

    HStatus StartLevel(uint32_t* index);
    // Writes the node of `level` with `right` and the given root flag.
    HStatus WriteNode(size_t level, uint32_t right, bool root);
    // The entry for the level above that points at the node of `level`: its last key.
    HCdxEntry UpEntry(size_t level) const;
    // Finishes the full node of `level` because another key arrives for it.
    HStatus Advance(size_t level);
    HStatus AddInterior(size_t level, const HCdxEntry& entry);

    HCdxPageSink& sink_;
    HKeyShape shape_;
    HCdxLeafWidths widths_;
    HStatusReport report_;
    std::vector<Level> levels_;
    HCdxLeafBuilder leaf_;
    uint32_t keysWritten_ = 0;
    int leafThreshold_ = 0;
    int maxInterior_ = 0;
};

// Produces record `record`'s key in index form (reading the record and evaluating the FOR and
// key expressions). Returns false when the record contributes no key.
using HRecordKeySource = std::function<bool(uint32_t record, std::string* key)>;

struct HTagBuildParams {
    HKeyShape shape;
    bool unique = false;
    bool directory = false;        // the tag directory: never built from records
    uint32_t recordCount = 0;      // records 1..recordCount are read
    uint32_t largestRecord = 0;    // leaf widths: the record count, or the file size (directory)
    HIndexSorter::Options sorter;  // its unique flag is replaced by the one above
};

// Builds a tag: reports (-1, 1, record count), (1, n, 0) for every record, (0, 0, 0),
// (-1, 2, keys), (2, k, 0) for every key written, (0, 0, 0). The directory gets an empty root
// leaf without reports. `*root` receives the root offset for the tag header. The run file is
// gone when this returns, whatever the outcome.
HStatus BuildTag(const HTagBuildParams& params, const HRecordKeySource& keyOf, HCdxPageSink& sink,
                 const HStatusReport& report, uint32_t* root);
