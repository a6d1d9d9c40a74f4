// HIndexSorter: orders the keys of one tag build in bounded memory.
//
// Keys go into a digital tree (trie) of 8-byte items kept in blocks of 16384 bytes, at most
// 32 blocks (item 0 unused, 65535 usable items). Siblings stand in ascending byte order, so a
// depth-first walk yields the keys in ascending byte order. When the tree is full it is
// spilled as one sorted run to a run file "XXXXXXXX.CPL" (eight upper-case hex digits) in the
// sort directory, and the runs are merged at the end (smallest key first, the earlier run on
// a tie). The run file layout is described in doc/cdx_format.md ("Run file").
//
// Sort key of a record: the key, then the record number in 4 bytes, most significant first.
// The tree holds the keys (cut to 240 bytes) as paths and the record numbers in their end
// items; the end items of a node come before its other children, so a key comes before the
// longer keys it begins, and equal keys come in the order they were added: records must be
// added in ascending order. On a unique tag a key already present is dropped, so the lowest
// record number wins; across runs the merge, which follows the same order, drops the later
// copies.
//
// Ownership: the run file belongs to the sorter; it is closed and deleted when the sorter is
// destroyed, whatever happened before. Not thread-safe: one build, one thread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "table/HStatus.h"

class HIndexSorter {
public:
    static constexpr size_t kItemsPerBlock = 2048;
    static constexpr size_t kMaxBlocks = 32;
    static constexpr size_t kMaxItems = kItemsPerBlock * kMaxBlocks - 1;  // 65535
    static constexpr int kRunBlockSize = 1024;
    static constexpr int kRunBlockLimit = 1020;  // entries never reach this byte
    static constexpr size_t kMaxKeyBytes = 240;
    static constexpr size_t kRecordSuffixBytes = 4;

    struct Options {
        bool unique = false;
        // Remove trailing blanks from each key (machine-collation character tags). Weights
        // and numeric bytes keep their 0x20 bytes.
        bool stripTrailingBlanks = true;
        // Items the tree may use before it is spilled (tests lower it; at least 600).
        size_t maxItems = kMaxItems;
        // Directory of the run file; empty: the current directory.
        std::string directory;
    };

    // Receives the keys in order (without the record suffix) with their record numbers.
    // A non-ok status ends the walk or merge and is returned by Finish.
    using Sink = std::function<HStatus(std::string_view key, uint32_t record)>;

    explicit HIndexSorter(Options options);
    ~HIndexSorter();
    HIndexSorter(const HIndexSorter&) = delete;
    HIndexSorter& operator=(const HIndexSorter&) = delete;

    // Adds one key (index form; cut to 240 bytes) for `record`, which must be greater than the
    // record of the key added before (code 1002 otherwise, nothing added). May spill a run.
    // Fails only on run-file errors (code from errno, sub-code 1108 create / 1102 write, text
    // the run file's path).
    HStatus Add(std::string_view key, uint32_t record);

    // Passes every key in order to `sink`, then deletes the run file. Call once.
    HStatus Finish(const Sink& sink);

    // Keys taken into the tree (a key dropped as a duplicate on a unique tag is not counted;
    // after spills a key repeated in several runs of a unique tag counts once per run).
    uint32_t KeyCount() const { return keyCount_; }
    size_t LongestKey() const { return longestKey_; }
    int RunCount() const { return static_cast<int>(runStarts_.size()); }
    // Path of the run file ("" before the first spill).
    const std::string& RunFilePath() const { return runPath_; }

    // The record suffix of a sort key: the record number, most significant byte first.
    static std::string RecordSuffix(uint32_t record);
    // Splits a sort key into key and record number. False when it is shorter than a suffix.
    static bool SplitSortKey(std::string_view sortKey, std::string_view* key, uint32_t* record);

private:
    struct Item {
        uint16_t sibling;
        uint16_t child;
        uint8_t byte;
        uint8_t end;  // 1: end of a key; its record is child | (recordHigh << 16)
        uint16_t recordHigh;
    };
    static_assert(sizeof(Item) == 8);

    class RunFile;
    class RunReader;

    Item& At(uint16_t n) { return items_[n]; }
    // Position of the first difference between two sort keys of the given lengths in the
    // merge's order, counted in its symbols (key bytes, the key's end, the record bytes),
    // given the number of bytes they share. 0 when either is shorter than a record suffix.
    static size_t SharedSymbols(size_t previousLength, size_t sharedBytes, size_t currentLength);
    // Inserts the path in the scratch buffer: 1 inserted, 0 dropped as present, -1 tree full.
    int Insert(uint32_t record);
    void ResetTree();
    // Makes the scratch buffer's path the last path inserted.
    void RememberPath();
    template <typename EmitFn>
    HStatus WalkTree(EmitFn&& emit);
    HStatus Spill(bool last);
    HStatus Emit(std::string_view sortKey, const Sink& sink);
    HStatus Merge(const Sink& sink);

    Options options_;
    // The 32 blocks of 2048 items lie side by side in one allocation, so that an item is one
    // load away from its number; pages are touched (and so take memory) only as blocks fill.
    std::unique_ptr<Item[]> items_;
    uint16_t rootHead_ = 0;
    size_t itemCount_ = 0;  // items in use, item 0 excluded
    uint32_t keyCount_ = 0;
    uint32_t lastRecord_ = 0;
    size_t longestKey_ = 0;

    std::unique_ptr<RunFile> runFile_;
    std::string runPath_;
    std::vector<uint64_t> runStarts_;
    uint64_t runFileSize_ = 0;

    // Two path buffers: paths_[scratch_] takes the path being inserted, the other holds the
    // path inserted last; lastParents_[d] is the item whose children hold byte d of the
    // latter (0: the root list).
    std::string paths_[2];
    int scratch_ = 0;
    bool lastPathValid_ = false;
    std::array<uint16_t, kMaxKeyBytes + 16> lastParents_{};
    std::string lastKey_;  // unique tags: the last key given to the sink
    bool anyEmitted_ = false;
};
