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
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// Keys and record numbers packed in one buffer: per key, the record (4 bytes), the key's
// length (2 bytes, little-endian both), the key's bytes.
class HKeyBatch {
public:
    void Add(std::string_view key, uint32_t record);
    void Clear() { bytes_.clear(); }
    bool Empty() const { return bytes_.empty(); }
    size_t Bytes() const { return bytes_.size(); }

    // Calls `f(key, record)` for every key in order while it returns true; returns false when
    // `f` stopped the walk.
    template <typename F>
    bool ForEach(F&& f) const {
        const char* p = bytes_.data();
        const char* end = p + bytes_.size();
        while (p < end) {
            const auto* b = reinterpret_cast<const uint8_t*>(p);
            const uint32_t record = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                    static_cast<uint32_t>(b[2]) << 16 |
                                    static_cast<uint32_t>(b[3]) << 24;
            const size_t length = static_cast<size_t>(b[4]) | static_cast<size_t>(b[5]) << 8;
            if (!f(std::string_view(p + 6, length), record)) return false;
            p += 6 + length;
        }
        return true;
    }

private:
    std::string bytes_;
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
