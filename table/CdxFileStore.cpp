#include "table/CdxFileStore.h"

#include <algorithm>
#include <cstring>
#include <limits>

std::atomic<uint64_t> HCdxFileStore::pagesRead_{0};

HCdxFileStore::HCdxFileStore(HFileObject& file) : file_(file) { Refresh(); }

HStatus HCdxFileStore::Failure(int subCode) {
    const int code = file_.LastError() != 0 ? file_.LastError() : zcode::kShortRead;
    return HStatus::Error(code, subCode, file_.FileName());
}

HStatus HCdxFileStore::Refresh() {
    ahead_.clear();
    lastRead_ = kNoPage;
    HFileObject::SuppressErrors quiet(file_);
    file_.ClearLastError();
    const int64_t size = file_.FileSize();
    if (size < 0) return Failure(zsub::kFileSize);
    size_ = static_cast<uint64_t>(size);
    return HStatus::Ok();
}

HStatus HCdxFileStore::ReadPage(uint32_t offset, HCdxPage* page) {
    pagesRead_.fetch_add(1, std::memory_order_relaxed);
    const bool next = lastRead_ != kNoPage && offset == lastRead_ + cdx::kPageSize;
    lastRead_ = offset;
    const bool ahead =
        offset >= aheadStart_ && offset + cdx::kPageSize <= aheadStart_ + ahead_.size();
    if (ahead || (next && ReadAhead(offset))) {
        std::memcpy(page->data(), ahead_.data() + (offset - aheadStart_), page->size());
        return HStatus::Ok();
    }
    HFileObject::SuppressErrors quiet(file_);
    file_.ClearLastError();
    if (!file_.ReadAt(offset, page->data(), page->size())) return Failure(zsub::kRead);
    return HStatus::Ok();
}

bool HCdxFileStore::ReadAhead(uint64_t offset) {
    ahead_.clear();
    if (offset + cdx::kPageSize > size_) return false;
    const uint64_t pages = std::min<uint64_t>(kReadAheadPages, (size_ - offset) / cdx::kPageSize);
    ahead_.resize(static_cast<size_t>(pages * cdx::kPageSize));
    HFileObject::SuppressErrors quiet(file_);
    file_.ClearLastError();
    // A file shorter than it was (another program cut it) is left to the single read.
    if (!file_.ReadAt(static_cast<int64_t>(offset), ahead_.data(), ahead_.size())) {
        ahead_.clear();
        return false;
    }
    aheadStart_ = offset;
    return true;
}

HStatus HCdxFileStore::AllocatePage(uint32_t* offset) {
    // Offsets are 32-bit in every node: a file may not grow past them.
    if (size_ + cdx::kPageSize > std::numeric_limits<uint32_t>::max())
        return HStatus::Error(zcode::kAccessDenied, zsub::kWrite, file_.FileName());
    *offset = static_cast<uint32_t>(size_);
    size_ += cdx::kPageSize;
    return HStatus::Ok();
}

HStatus HCdxFileStore::WritePage(uint32_t offset, const HCdxPage& page) {
    return WritePages(offset, page.data(), 1);
}

HStatus HCdxFileStore::WritePages(uint32_t offset, const uint8_t* pages, size_t count) {
    ahead_.clear();
    HFileObject::SuppressErrors quiet(file_);
    file_.ClearLastError();
    const size_t length = count * cdx::kPageSize;
    if (!file_.WriteAt(offset, pages, length)) return Failure(zsub::kWrite);
    if (offset + length > size_) size_ = offset + length;
    return HStatus::Ok();
}

HStatus HCdxFileStore::Truncate(uint64_t size) {
    ahead_.clear();
    HFileObject::SuppressErrors quiet(file_);
    file_.ClearLastError();
    if (!file_.TruncateAt(static_cast<int64_t>(size))) return Failure(zsub::kTruncate);
    size_ = size;
    return HStatus::Ok();
}
