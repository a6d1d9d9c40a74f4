// HCdxFileStore: the pages of one compound index file on disk, reached through the engine's
// file object (guarded I/O under the process-wide mutex, the file layer's error codes).
// New pages are taken from the end of the file; nothing is ever reused.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "table/CdxTag.h"
#include "table/HFileObject.h"
#include "table/HStatus.h"

class HCdxFileStore : public HCdxPageStore {
public:
    // `file` is open (read-only or read/write) and outlives the store. The store reports
    // nothing itself: failures come back as statuses (system code, sub-code 1101 read, 1102
    // write, 1105 size, 1109 truncate, text: the file name) for the caller's error route.
    explicit HCdxFileStore(HFileObject& file);

    // Re-reads the size of the file, which another program sharing it may have grown, and
    // forgets the pages read ahead, which it may have changed. The store otherwise counts the
    // pages it takes itself.
    HStatus Refresh();

    // A page read right after the page before it (an order walked leaf by leaf: a tag build
    // writes its leaves side by side) also reads the pages after it, up to 16 KB, and serves
    // them from memory until the file is written, cut or refreshed.
    HStatus ReadPage(uint32_t offset, HCdxPage* page) override;
    uint64_t FileSize() override { return size_; }
    // The offset of a new page at the end of the file; the page is zero until written.
    HStatus AllocatePage(uint32_t* offset) override;
    HStatus WritePage(uint32_t offset, const HCdxPage& page) override;
    // One write for all the pages.
    HStatus WritePages(uint32_t offset, const uint8_t* pages, size_t count) override;
    // Cuts the file to `size` bytes (a multiple of 512).
    HStatus Truncate(uint64_t size) override;

    HFileObject& File() { return file_; }

    // Pages read by every store of the process since it started, from the file or from the
    // pages read ahead (for benchmarks).
    static uint64_t PagesRead() { return pagesRead_.load(std::memory_order_relaxed); }

private:
    static constexpr size_t kReadAheadPages = 32;
    static constexpr uint64_t kNoPage = ~uint64_t{0};

    HStatus Failure(int subCode);
    bool ReadAhead(uint64_t offset);

    HFileObject& file_;
    uint64_t size_ = 0;
    // The pages read ahead, from `aheadStart_`, and the page read last.
    std::vector<uint8_t> ahead_;
    uint64_t aheadStart_ = 0;
    uint64_t lastRead_ = kNoPage;
    static std::atomic<uint64_t> pagesRead_;
};
