// The trie sorter and its run file. Runs are written block by block through a small write
// buffer and read back through one 1024-byte block per run.
#include "table/IndexSorter.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <new>
#include <unistd.h>

#include "table/HFileIo.h"
#include "table/KeyCollation.h"

namespace {

HStatus IoError(int error, int subCode, const std::string& path) {
    return HStatus::Error(ZadarirCodeFromErrno(error), subCode, path);
}

uint32_t NextRunNumber() {
    static std::atomic<uint32_t> counter{static_cast<uint32_t>(getpid()) << 12};
    return counter.fetch_add(1);
}

}  // namespace

// The run file: created exclusively, closed and deleted by the destructor. While it is open it
// holds an exclusive flock(), so that a run file left by a process that was killed can be
// told from one in use (gedcom/LookupFiles.h tidies those).
class HIndexSorter::RunFile {
public:
    ~RunFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!path_.empty()) ::unlink(path_.c_str());
    }

    HStatus Create(const std::string& directory) {
        for (int attempt = 0; attempt < 1000; ++attempt) {
            char name[16];
            std::snprintf(name, sizeof name, "%08X.CPL", NextRunNumber());
            std::string path = directory.empty()         ? std::string(name)
                               : directory.back() == '/' ? directory + name
                                                         : directory + "/" + name;
            int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd >= 0) {
                ::flock(fd, LOCK_EX | LOCK_NB);
                fd_ = fd;
                path_ = path;
                return HStatus::Ok();
            }
            if (errno != EEXIST) return IoError(errno, zsub::kCreate, path);
        }
        return IoError(EEXIST, zsub::kCreate, directory);
    }

    HStatus Write(uint64_t position, const void* data, size_t length) {
        int error = FileIo().Write(fd_, data, length, static_cast<int64_t>(position));
        return error == 0 ? HStatus::Ok() : IoError(error, zsub::kWrite, path_);
    }

    HStatus Read(uint64_t position, void* data, size_t length) {
        size_t got = 0;
        int error = FileIo().Read(fd_, data, length, static_cast<int64_t>(position), &got);
        if (error != 0) return IoError(error, zsub::kRead, path_);
        if (got != length) return HStatus::Error(zcode::kShortRead, zsub::kRead, path_);
        return HStatus::Ok();
    }

    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// Reads the entries of one run, a few 1024-byte blocks per file read (a merge of hundreds of
// runs would otherwise make one system call per block).
class HIndexSorter::RunReader {
public:
    static constexpr size_t kBlocksPerRead = 4;

    RunReader(RunFile* file, uint64_t start, uint64_t end) : file_(file), next_(start), end_(end) {}

    // 1: key() holds the next key; 0: run exhausted; -1: error in status().
    int Next() {
        for (;;) {
            if (block_ == nullptr) {
                if (loadedBlocks_ == blockIndex_) {
                    if (next_ >= end_) return 0;
                    const size_t blocks = static_cast<size_t>(
                        std::min<uint64_t>(kBlocksPerRead, (end_ - next_) / kRunBlockSize));
                    if (blocks == 0) return 0;
                    status_ = file_->Read(next_, buffer_.data(), blocks * kRunBlockSize);
                    if (!status_.ok()) return -1;
                    next_ += blocks * kRunBlockSize;
                    loadedBlocks_ = blocks;
                    blockIndex_ = 0;
                }
                block_ = buffer_.data() + blockIndex_ * kRunBlockSize;
                pos_ = 4;
            }
            const uint8_t* b = block_;
            if (pos_ + 4 <= kRunBlockSize &&
                (b[pos_] | b[pos_ + 1] | b[pos_ + 2] | b[pos_ + 3]) != 0) {
                const size_t shared = b[pos_];
                const size_t length = b[pos_ + 1];
                if (shared > keyLength_ || shared + length > sizeof key_ ||
                    pos_ + 2 + length > kRunBlockSize) {
                    status_ = HStatus::Error(zcode::kShortRead, zsub::kRead, file_->path());
                    return -1;
                }
                std::memcpy(key_ + shared, &b[pos_ + 2], length);
                shared_ = SharedSymbols(keyLength_, shared, shared + length);
                keyLength_ = shared + length;
                pos_ += 2 + length;
                return 1;
            }
            block_ = nullptr;
            ++blockIndex_;
        }
    }

    std::string_view key() const { return std::string_view(key_, keyLength_); }
    // Symbols the current key shares with the run's previous key (0 for the first).
    size_t shared() const { return shared_; }
    const HStatus& status() const { return status_; }

private:
    RunFile* file_;
    uint64_t next_;  // file offset of the first block not read yet
    uint64_t end_;
    size_t loadedBlocks_ = 0;
    size_t blockIndex_ = 0;
    const uint8_t* block_ = nullptr;  // the block being read, nullptr between blocks
    size_t pos_ = 0;
    std::array<uint8_t, kBlocksPerRead * kRunBlockSize> buffer_{};
    char key_[kMaxKeyBytes + kRecordSuffixBytes];  // a sort key
    size_t keyLength_ = 0;
    size_t shared_ = 0;
    HStatus status_;
};

HIndexSorter::HIndexSorter(Options options) : options_(std::move(options)) {
    if (options_.maxItems > kMaxItems) options_.maxItems = kMaxItems;
    if (options_.maxItems < 600) options_.maxItems = 600;
}

HIndexSorter::~HIndexSorter() = default;

namespace {

// Writes the record suffix of `record` to `out` (4 bytes).
void PutRecordSuffix(uint32_t record, char* out) {
    out[0] = static_cast<char>(record >> 24);
    out[1] = static_cast<char>(record >> 16);
    out[2] = static_cast<char>(record >> 8);
    out[3] = static_cast<char>(record);
}

}  // namespace

std::string HIndexSorter::RecordSuffix(uint32_t record) {
    char out[kRecordSuffixBytes];
    PutRecordSuffix(record, out);
    return std::string(out, sizeof out);
}

bool HIndexSorter::SplitSortKey(std::string_view sortKey, std::string_view* key, uint32_t* record) {
    if (sortKey.size() < kRecordSuffixBytes) return false;
    const auto* b = reinterpret_cast<const uint8_t*>(sortKey.data() + sortKey.size() - 4);
    *record = static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
              static_cast<uint32_t>(b[2]) << 8 | b[3];
    *key = sortKey.substr(0, sortKey.size() - kRecordSuffixBytes);
    return true;
}

int HIndexSorter::Insert(uint32_t record) {
    const std::string_view path = paths_[scratch_];
    // Keys often come in an order close to the sorted one (record pointers, for one): the
    // items of the bytes shared with the last path are known and need no search.
    size_t i = 0;
    if (lastPathValid_) i = CommonPrefixLength(path, paths_[1 - scratch_]);
    uint16_t* link = lastParents_[i] == 0 ? &rootHead_ : &At(lastParents_[i]).child;
    // Follow the bytes already in the tree.
    for (; i < path.size(); ++i) {
        const uint8_t b = static_cast<uint8_t>(path[i]);
        uint16_t cur = *link;
        while (cur != 0) {
            Item& it = At(cur);
            if (!it.end && it.byte >= b) break;
            link = &it.sibling;
            cur = *link;
        }
        if (cur == 0 || At(cur).byte != b) break;
        lastParents_[i + 1] = cur;
        link = &At(cur).child;
    }
    if (options_.unique && i == path.size() && *link != 0 && At(*link).end) {
        RememberPath();
        return 0;
    }
    // The rest of the path and the end item are new: one item per byte, laid out in sequence
    // so that walking a chain reads memory in order.
    const size_t needed = path.size() - i + 1;
    if (itemCount_ + needed > options_.maxItems) {
        lastPathValid_ = false;
        return -1;
    }
    if (!items_) items_.reset(new Item[kMaxBlocks * kItemsPerBlock]);
    const uint16_t first = static_cast<uint16_t>(itemCount_ + 1);
    const uint16_t endItem = static_cast<uint16_t>(first + (path.size() - i));
    itemCount_ += needed;
    const uint16_t recordLow = static_cast<uint16_t>(record & 0xFFFF);
    const uint16_t recordHigh = static_cast<uint16_t>(record >> 16);
    if (i < path.size()) {
        At(first) =
            Item{*link, static_cast<uint16_t>(first + 1), static_cast<uint8_t>(path[i]), 0, 0};
        *link = first;
        // Items of the chain: sibling 0, child = the next item, the byte; one 8-byte store
        // each.
        static_assert(offsetof(Item, child) == 2 && offsetof(Item, byte) == 4);
        Item* items = items_.get();
        for (size_t j = i + 1; j < path.size(); ++j) {
            const size_t m = first + (j - i);
            const uint64_t packed = (static_cast<uint64_t>(m + 1) << 16) |
                                    (static_cast<uint64_t>(static_cast<uint8_t>(path[j])) << 32);
            std::memcpy(&items[m], &packed, sizeof packed);
        }
        for (size_t j = i; j < path.size(); ++j)
            lastParents_[j + 1] = static_cast<uint16_t>(first + (j - i));
        At(endItem) = Item{0, recordLow, 0, 1, recordHigh};
    } else {
        At(endItem) = Item{*link, recordLow, 0, 1, recordHigh};
        *link = endItem;
    }
    RememberPath();
    return 1;
}

void HIndexSorter::RememberPath() {
    // The scratch buffer holds the path: the two buffers trade roles.
    scratch_ ^= 1;
    lastPathValid_ = true;
}

void HIndexSorter::ResetTree() {
    rootHead_ = 0;
    itemCount_ = 0;
    lastPathValid_ = false;
}

HStatus HIndexSorter::Add(std::string_view key, uint32_t record) {
    // Equal keys leave in the order they came: that must be the order of their records.
    if (record <= lastRecord_)
        return HStatus::Error(zcode::kRecordRange, zsub::kNone, "index build");
    lastRecord_ = record;
    if (options_.stripTrailingBlanks)
        while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
    if (key.size() > kMaxKeyBytes) key = key.substr(0, kMaxKeyBytes);
    paths_[scratch_].assign(key);
    int inserted = Insert(record);
    if (inserted < 0) {
        HStatus st = Spill(false);
        if (!st.ok()) return st;
        inserted = Insert(record);
    }
    if (inserted > 0) {
        ++keyCount_;
        if (key.size() > longestKey_) longestKey_ = key.size();
    }
    return HStatus::Ok();
}

// Depth-first walk over the tree calling `emit(sortKey, shared)` for every key in order, where
// `shared` is the depth at which the walk left the previous key's path: the two sort keys
// share at least that many bytes. Stops at the first non-ok status. Leaves the tree unfit for
// another walk. Fixed arrays: a path is at most 240 key bytes, then 4 record bytes.
template <typename EmitFn>
HStatus HIndexSorter::WalkTree(EmitFn&& emit) {
    static_assert(std::endian::native == std::endian::little);
    constexpr size_t kMaxPath = kMaxKeyBytes + 16;
    char path[kMaxPath + 16];
    // Only items that have a next sibling are remembered, with the path length at them:
    // the walk resumes there once the item's subtree is done.
    struct Resume {
        uint16_t sibling;
        uint16_t depth;
    };
    Resume stack[kMaxPath];
    size_t stackSize = 0;
    size_t depth = 0;
    size_t shared = 0;
    Item* items = items_.get();
    uint16_t cur = rootHead_;
    for (;;) {
        while (cur != 0) {
            const Item& it = items[cur];
            if (it.end) {
                // The end items of a node stand first in its list, the newest first: reverse
                // them in place (the tree is walked once) to give equal keys in record order.
                uint16_t reversed = 0;
                while (cur != 0 && items[cur].end) {
                    const uint16_t next = items[cur].sibling;
                    items[cur].sibling = reversed;
                    reversed = cur;
                    cur = next;
                }
                for (uint16_t e = reversed; e != 0; e = items[e].sibling) {
                    PutRecordSuffix(
                        items[e].child | (static_cast<uint32_t>(items[e].recordHigh) << 16),
                        path + depth);
                    HStatus st = emit(std::string_view(path, depth + kRecordSuffixBytes), shared);
                    if (!st.ok()) return st;
                    shared = depth;
                }
                continue;
            }
            // Follow a chain of items laid out in sequence (each the first child of the one
            // before): the next item's number does not wait for the load of the child field.
            size_t c = cur;
            for (;;) {
                const Item& x = items[c];
                if (x.sibling != 0)
                    stack[stackSize++] = Resume{x.sibling, static_cast<uint16_t>(depth)};
                path[depth++] = static_cast<char>(x.byte);
                if (x.child != c + 1 || items[c + 1].end) break;
                ++c;
            }
            cur = items[c].child;
        }
        if (stackSize == 0) break;
        --stackSize;
        cur = stack[stackSize].sibling;
        depth = stack[stackSize].depth;
        shared = std::min(shared, depth);
    }
    return HStatus::Ok();
}

HStatus HIndexSorter::Spill(bool last) {
    if (!runFile_) {
        auto file = std::make_unique<RunFile>();
        HStatus st = file->Create(options_.directory);
        if (!st.ok()) return st;
        runPath_ = file->path();
        runFile_ = std::move(file);
    }
    const uint64_t start = runFileSize_;
    runStarts_.push_back(start);

    constexpr size_t kFlushBytes = 32 * kRunBlockSize;
    std::vector<uint8_t> out;
    out.reserve(kFlushBytes + kRunBlockSize);
    uint64_t written = start;
    std::array<uint8_t, kRunBlockSize> block{};
    size_t pos = 4;
    // The previous sort key; its bytes before the walk's shared count are those of the key
    // at hand, so only the rest is copied.
    char previous[kMaxKeyBytes + kRecordSuffixBytes];
    size_t previousLength = 0;

    auto flushBlock = [&]() -> HStatus {
        out.insert(out.end(), block.begin(), block.end());
        block.fill(0);
        pos = 4;
        if (out.size() >= kFlushBytes) {
            HStatus st = runFile_->Write(written, out.data(), out.size());
            written += out.size();
            out.clear();
            return st;
        }
        return HStatus::Ok();
    };

    HStatus st = WalkTree([&](std::string_view sortKey, size_t bound) -> HStatus {
        size_t shared = bound;
        const size_t limit = std::min(previousLength, sortKey.size());
        while (shared < limit && previous[shared] == sortKey[shared]) ++shared;
        const size_t length = sortKey.size() - shared;
        if (pos + 2 + length > static_cast<size_t>(kRunBlockLimit)) {
            HStatus fs = flushBlock();
            if (!fs.ok()) return fs;
        }
        block[pos] = static_cast<uint8_t>(shared);
        block[pos + 1] = static_cast<uint8_t>(length);
        std::memcpy(&block[pos + 2], sortKey.data() + shared, length);
        pos += 2 + length;
        std::memcpy(previous + bound, sortKey.data() + bound, sortKey.size() - bound);
        previousLength = sortKey.size();
        return HStatus::Ok();
    });
    if (!st.ok()) return st;
    st = flushBlock();
    if (!st.ok()) return st;
    if (!out.empty()) {
        st = runFile_->Write(written, out.data(), out.size());
        if (!st.ok()) return st;
        written += out.size();
    }
    runFileSize_ = written;
    uint8_t link[4];
    const uint32_t next = last ? 0 : static_cast<uint32_t>(written);
    for (int i = 0; i < 4; ++i) link[i] = static_cast<uint8_t>(next >> (8 * i));
    st = runFile_->Write(start, link, sizeof link);
    if (!st.ok()) return st;
    ResetTree();
    return HStatus::Ok();
}

HStatus HIndexSorter::Emit(std::string_view sortKey, const Sink& sink) {
    std::string_view key;
    uint32_t record = 0;
    if (!SplitSortKey(sortKey, &key, &record))
        return HStatus::Error(zcode::kShortRead, zsub::kRead, runPath_);
    if (options_.unique) {
        if (anyEmitted_ && key == lastKey_) return HStatus::Ok();
        lastKey_.assign(key);
    }
    anyEmitted_ = true;
    return sink(key, record);
}

namespace {

// The merge orders sort keys as sequences of symbols: each key byte b as b + 1, then 0 where
// the key ends, then the record bytes (each + 1). A key thus comes before the longer keys it
// begins, and equal keys come in record order: the order of the tree's walk.
unsigned SymbolAt(std::string_view sortKey, size_t p) {
    const size_t keyLength = sortKey.size() - HIndexSorter::kRecordSuffixBytes;
    if (p < keyLength) return static_cast<uint8_t>(sortKey[p]) + 1u;
    if (p == keyLength) return 0;
    return static_cast<uint8_t>(sortKey[p - 1]) + 1u;
}

// The first symbol position, at `from` or after, where x and y differ; x.size() + 1 (their
// symbol count) when they are equal.
size_t FirstDifference(std::string_view x, std::string_view y, size_t from) {
    const size_t kx = x.size() - HIndexSorter::kRecordSuffixBytes;
    const size_t ky = y.size() - HIndexSorter::kRecordSuffixBytes;
    const size_t k = std::min(kx, ky);
    if (from < k) {
        const size_t p =
            from + CommonPrefixLength(x.substr(from, k - from), y.substr(from, k - from));
        if (p < k) return p;
        from = k;
    }
    if (kx != ky) return k;  // one key ends here, the other goes on
    // The same key: its end symbol matches, the record bytes (symbol p is byte p - 1) decide.
    const size_t byte = std::max(from, k + 1) - 1;
    return byte + CommonPrefixLength(x.substr(byte), y.substr(byte)) + 1;
}

}  // namespace

size_t HIndexSorter::SharedSymbols(size_t previousLength, size_t sharedBytes,
                                   size_t currentLength) {
    if (previousLength < kRecordSuffixBytes || currentLength < kRecordSuffixBytes) return 0;
    const size_t kp = previousLength - kRecordSuffixBytes;
    const size_t kc = currentLength - kRecordSuffixBytes;
    if (kp == kc && sharedBytes >= kp) return sharedBytes + 1;
    return std::min({sharedBytes, kp, kc});
}

namespace {

// Offset-value code of a key relative to a base key not greater than it: 0 when the two are
// equal, otherwise ((256 - o) << 9) | symbol o, o being the first symbol position where they
// differ. Of two keys coded against the same base the smaller code is the smaller key, and
// equal codes leave only the symbols after o to compare. An exhausted run codes as kExhausted.
constexpr uint32_t kExhausted = 0xFFFFFFFFu;

uint32_t OffsetValueCode(std::string_view key, size_t offset) {
    if (offset > key.size()) return 0;
    return (static_cast<uint32_t>(256 - offset) << 9) | SymbolAt(key, offset);
}

size_t CodeOffset(uint32_t code) { return 256 - (code >> 9); }

}  // namespace

// A tree of losers over the runs' current keys, with offset-value codes: every code on the
// path from a run to the root is relative to the key last taken, which came from that run,
// and the run file's shared-byte count codes the run's next key against it directly. So a
// match mostly compares two numbers; key bytes are read only when two codes are equal, and
// then only past their common offset. Equal keys: the earlier run first.
HStatus HIndexSorter::Merge(const Sink& sink) {
    const size_t runs = runStarts_.size();
    if (runs == 0) return HStatus::Ok();
    std::vector<std::unique_ptr<RunReader>> readers;
    readers.reserve(runs);
    for (size_t i = 0; i < runs; ++i) {
        const uint64_t end = i + 1 < runs ? runStarts_[i + 1] : runFileSize_;
        readers.push_back(std::make_unique<RunReader>(runFile_.get(), runStarts_[i], end));
    }
    struct Entry {
        uint32_t code;
        uint32_t run;
    };
    // Settles a match of equal codes by the symbols after their offset (ties: the earlier
    // run); returns the winner and leaves the loser in `b`, coded against the winner.
    auto tie = [&readers](Entry a, Entry& b) -> Entry {
        if (a.code == kExhausted) return a;
        const std::string_view x = readers[a.run]->key();
        const std::string_view y = readers[b.run]->key();
        const size_t at =
            a.code == 0 ? x.size() + 1 : FirstDifference(x, y, CodeOffset(a.code) + 1);
        const bool aFirst = at > x.size() ? a.run < b.run : SymbolAt(x, at) < SymbolAt(y, at);
        if (!aFirst) std::swap(a, b);
        b.code = OffsetValueCode(readers[b.run]->key(), at);
        return a;
    };
    // Plays `a` against `b` (codes relative to the same base): the winner is returned, the
    // loser is left in `b` with its code relative to the winner, which for unequal codes is
    // the code it has.
    auto play = [&tie](Entry a, Entry& b) -> Entry {
        if (a.code == b.code) return tie(a, b);
        const bool bWins = b.code < a.code;
        const Entry winner = bWins ? b : a;
        b = bWins ? a : b;
        return winner;
    };
    // Leaves are runs + i, internal nodes 1 .. runs - 1 (node n plays 2n against 2n + 1);
    // losers[n] is the loser at node n.
    std::vector<Entry> losers(runs);
    {
        std::vector<Entry> winners(2 * runs);
        for (size_t i = 0; i < runs; ++i) {
            const int r = readers[i]->Next();
            if (r < 0) return readers[i]->status();
            winners[runs + i] = Entry{r > 0 ? OffsetValueCode(readers[i]->key(), 0) : kExhausted,
                                      static_cast<uint32_t>(i)};
        }
        for (size_t n = runs - 1; n >= 1; --n) {
            Entry loser = winners[2 * n + 1];
            winners[n] = play(winners[2 * n], loser);
            losers[n] = loser;
        }
        losers[0] = winners[1];  // the overall winner
    }
    for (;;) {
        Entry top = losers[0];
        if (top.code == kExhausted) break;
        RunReader& reader = *readers[top.run];
        HStatus st = Emit(reader.key(), sink);
        if (!st.ok()) return st;
        const int r = reader.Next();
        if (r < 0) return reader.status();
        top.code = r > 0 ? OffsetValueCode(reader.key(), reader.shared()) : kExhausted;
        for (size_t n = (runs + top.run) / 2; n >= 1; n /= 2) top = play(top, losers[n]);
        losers[0] = top;
    }
    return HStatus::Ok();
}

HStatus HIndexSorter::Finish(const Sink& sink) {
    HStatus st;
    if (runStarts_.empty()) {
        st = WalkTree([&](std::string_view sortKey, size_t) { return Emit(sortKey, sink); });
    } else {
        st = Spill(true);
        if (st.ok()) st = Merge(sink);
    }
    ResetTree();
    items_.reset();
    runFile_.reset();
    return st;
}
