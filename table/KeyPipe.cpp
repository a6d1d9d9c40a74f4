#include "table/KeyPipe.h"

#include <algorithm>
#include <utility>

void HKeyBatch::Grow(size_t more) {
    bytes_.resize(std::max(2 * bytes_.size(), size_ + more + 1024));
}

bool HKeyPipe::Push(std::string_view key, uint32_t record) {
    filling_.Add(key, record);
    if (filling_.Bytes() < kBatchBytes) return true;
    return Send(false);
}

void HKeyPipe::Close() { Send(true); }

bool HKeyPipe::Send(bool last) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return cancelled_ || full_.size() < kSlots; });
    if (cancelled_) return false;
    if (!filling_.Empty()) {
        full_.push_back(std::move(filling_));
        filling_ = HKeyBatch();
        if (!spare_.empty()) {
            filling_ = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    if (last) closed_ = true;
    changed_.notify_all();
    return true;
}

bool HKeyPipe::Pop(HKeyBatch* batch) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return cancelled_ || closed_ || !full_.empty(); });
    if (cancelled_ || full_.empty()) return false;
    batch->Clear();
    spare_.push_back(std::move(*batch));
    *batch = std::move(full_.front());
    full_.pop_front();
    changed_.notify_all();
    return true;
}

void HKeyPipe::Cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    changed_.notify_all();
}

bool HKeyPipe::Cancelled() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return cancelled_;
}
