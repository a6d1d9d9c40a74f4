// HKeyPipe: hands keys with their record numbers from one thread to another, in batches, so
// that a tag build can sort on a second thread while the first reads records and writes nodes.
//
// One producer, one consumer. The producer's keys collect in a batch of about kBatchBytes;
// a full batch goes into the pipe, which holds at most kSlots batches (the producer waits
// while it is full, the consumer while it is empty), so the pipe never holds more than
// (kSlots + 2) * kBatchBytes bytes however fast either side is. Batches are recycled.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// Keys and record numbers packed in one buffer: per key, the record (4 bytes), the key's
// length (2 bytes, little-endian both), the key's bytes.
class HKeyBatch {
public:
    void Add(std::string_view key, uint32_t record) {
        const size_t length = key.size() > 0xFFFF ? 0xFFFF : key.size();
        if (size_ + 6 + length > bytes_.size()) Grow(6 + length);
        uint8_t* p = bytes_.data() + size_;
        p[0] = static_cast<uint8_t>(record);
        p[1] = static_cast<uint8_t>(record >> 8);
        p[2] = static_cast<uint8_t>(record >> 16);
        p[3] = static_cast<uint8_t>(record >> 24);
        p[4] = static_cast<uint8_t>(length);
        p[5] = static_cast<uint8_t>(length >> 8);
        std::memcpy(p + 6, key.data(), length);
        size_ += 6 + length;
    }
    void Clear() { size_ = 0; }
    bool Empty() const { return size_ == 0; }
    size_t Bytes() const { return size_; }

    // Calls `f(key, record)` for every key in order while it returns true; returns false when
    // `f` stopped the walk.
    template <typename F>
    bool ForEach(F&& f) const {
        const uint8_t* p = bytes_.data();
        const uint8_t* end = p + size_;
        while (p < end) {
            const uint32_t record = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                    static_cast<uint32_t>(p[2]) << 16 |
                                    static_cast<uint32_t>(p[3]) << 24;
            const size_t length = static_cast<size_t>(p[4]) | static_cast<size_t>(p[5]) << 8;
            if (!f(std::string_view(reinterpret_cast<const char*>(p + 6), length), record))
                return false;
            p += 6 + length;
        }
        return true;
    }

private:
    void Grow(size_t more);

    std::vector<uint8_t> bytes_;  // its size is the capacity; size_ bytes are used
    size_t size_ = 0;
};

class HKeyPipe {
public:
    static constexpr size_t kBatchBytes = 16384;
    static constexpr size_t kSlots = 4;

    // Producer: adds a key (cut to 65,535 bytes). False when a batch could not be handed over
    // because the pipe was cancelled; keys not yet handed over are then dropped.
    bool Push(std::string_view key, uint32_t record);
    // Producer: no more keys; the partial batch goes in.
    void Close();

    // Consumer: takes the next batch into `*batch` (its old contents are recycled). False when
    // the pipe is closed and empty, or cancelled.
    bool Pop(HKeyBatch* batch);

    // Either side gives up: the other side's waits end, Push and Pop return false from now on.
    void Cancel();
    bool Cancelled() const;

private:
    bool Send(bool last);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<HKeyBatch> full_;
    std::vector<HKeyBatch> spare_;
    bool closed_ = false;
    bool cancelled_ = false;
    HKeyBatch filling_;  // producer only
};
