#include "table/KeyPipe.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::string KeyFor(uint32_t i) {
    // Lengths 0 .. 299, bytes of every value.
    std::string key(i % 300, '\0');
    for (size_t k = 0; k < key.size(); ++k) key[k] = static_cast<char>((i * 31 + k) & 0xFF);
    return key;
}

}  // namespace

TEST(KeyPipe, EveryKeyArrivesOnceAndInOrderAcrossThreads) {
    HKeyPipe pipe;
    constexpr uint32_t kKeys = 100000;
    std::thread producer([&] {
        for (uint32_t i = 1; i <= kKeys; ++i) ASSERT_TRUE(pipe.Push(KeyFor(i), i));
        pipe.Close();
    });
    uint32_t expected = 1;
    bool allEqual = true;
    HKeyBatch batch;
    while (pipe.Pop(&batch)) {
        EXPECT_FALSE(batch.Empty());
        batch.ForEach([&](std::string_view key, uint32_t record) {
            if (record != expected || key != KeyFor(expected)) allEqual = false;
            ++expected;
            return true;
        });
    }
    producer.join();
    EXPECT_TRUE(allEqual);
    EXPECT_EQ(expected, kKeys + 1);
    EXPECT_FALSE(pipe.Cancelled());
}

TEST(KeyPipe, ClosingHandsOverThePartialBatchAndThenEnds) {
    HKeyPipe pipe;
    ASSERT_TRUE(pipe.Push("only", 7));
    pipe.Close();
    HKeyBatch batch;
    ASSERT_TRUE(pipe.Pop(&batch));
    std::vector<std::pair<std::string, uint32_t>> got;
    batch.ForEach([&](std::string_view key, uint32_t record) {
        got.emplace_back(std::string(key), record);
        return true;
    });
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].first, "only");
    EXPECT_EQ(got[0].second, 7u);
    EXPECT_FALSE(pipe.Pop(&batch));
    EXPECT_FALSE(pipe.Pop(&batch));
}

TEST(KeyPipe, CancelWakesAProducerWaitingOnAFullPipe) {
    HKeyPipe pipe;
    std::atomic<bool> refused{false};
    std::thread producer([&] {
        // Nobody takes batches: the pipe fills and Push waits until the cancel.
        const std::string key(1000, 'k');
        for (uint32_t i = 1; i < 1000000; ++i)
            if (!pipe.Push(key, i)) {
                refused = true;
                return;
            }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pipe.Cancel();
    producer.join();
    EXPECT_TRUE(refused);
    HKeyBatch batch;
    EXPECT_FALSE(pipe.Pop(&batch));
}

TEST(KeyPipe, CancelWakesAConsumerWaitingOnAnEmptyPipe) {
    HKeyPipe pipe;
    std::atomic<bool> ended{false};
    std::thread consumer([&] {
        HKeyBatch batch;
        while (pipe.Pop(&batch)) {
        }
        ended = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pipe.Cancel();
    consumer.join();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(pipe.Push("late", 1) && pipe.Push(std::string(HKeyPipe::kBatchBytes, 'x'), 2));
}

TEST(KeyBatch, StopsTheWalkWhenAskedAndCutsOverlongKeys) {
    HKeyBatch batch;
    batch.Add("a", 1);
    batch.Add(std::string(70000, 'z'), 2);
    batch.Add("c", 3);
    std::vector<size_t> lengths;
    EXPECT_FALSE(batch.ForEach([&](std::string_view key, uint32_t record) {
        lengths.push_back(key.size());
        return record < 2;
    }));
    EXPECT_EQ(lengths, (std::vector<size_t>{1, 65535}));
}
