#include "table/CdxFileStore.h"

#include <limits>

std::atomic<uint64_t> HCdxFileStore::pagesRead_{0};

HCdxFileStore::HCdxFileStore(HFileObject& file) : file_(file) { Refresh(); }

HStatus HCdxFileStore::Failure(int subCode) {
    const int code = file_.LastError() != 0 ? file_.LastError() : zcode::kShortRead;
    return HStatus::Error(code, subCode, file_.FileName());
}

HStatus HCdxFileStore::Refresh() {
    HFileObject::SuppressErrors quiet(file_);
    file_.ClearLastError();
    const int64_t size = file_.FileSize();
    if (size < 0) return Failure(zsub::kFileSize);
    size_ = static_cast<uint64_t>(size);
    return HStatus::Ok();
}

HStatus HCdxFileStore::ReadPage(uint32_t offset, HCdxPage* page) {
    pagesRead_.fetch_add(1, std::memory_order_relaxed);
    HFileObject::SuppressErrors quiet(file_);
    file_.ClearLastError();
    if (!file_.ReadAt(offset, page->data(), page->size())) return Failure(zsub::kRead);
    return HStatus::Ok();
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
    HFileObject::SuppressErrors quiet(file_);
    file_.ClearLastError();
    const size_t length = count * cdx::kPageSize;
    if (!file_.WriteAt(offset, pages, length)) return Failure(zsub::kWrite);
    if (offset + length > size_) size_ = offset + length;
    return HStatus::Ok();
}

HStatus HCdxFileStore::Truncate(uint64_t size) {
    HFileObject::SuppressErrors quiet(file_);
    file_.ClearLastError();
    if (!file_.TruncateAt(static_cast<int64_t>(size))) return Failure(zsub::kTruncate);
    size_ = size;
    return HStatus::Ok();
}
