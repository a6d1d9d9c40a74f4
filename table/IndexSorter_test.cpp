#include "table/IndexSorter.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Out {
    std::string key;
    uint32_t record;
    bool operator==(const Out& o) const { return key == o.key && record == o.record; }
};

class IndexSorterTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/index_sorter_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        for (const std::string& f : Files()) std::remove((dir_ + "/" + f).c_str());
        rmdir(dir_.c_str());
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        if (DIR* d = opendir(dir_.c_str())) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.') out.push_back(e->d_name);
            closedir(d);
        }
        return out;
    }
    HIndexSorter::Options Opts(bool unique, size_t maxItems = HIndexSorter::kMaxItems) {
        HIndexSorter::Options o;
        o.unique = unique;
        o.maxItems = maxItems;
        o.directory = dir_;
        return o;
    }
    static std::vector<Out> Drain(HIndexSorter& sorter) {
        std::vector<Out> out;
        HStatus st = sorter.Finish([&](std::string_view key, uint32_t record) {
            out.push_back({std::string(key), record});
            return HStatus::Ok();
        });
        EXPECT_TRUE(st.ok()) << st.code << " " << st.text;
        return out;
    }
    std::string dir_;
};

std::vector<std::string> RandomKeys(size_t count, size_t maxLength, int alphabet, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> keys;
    for (size_t i = 0; i < count; ++i) {
        std::string k(1 + rng() % maxLength, 'A');
        for (char& c : k) c = static_cast<char>('A' + rng() % alphabet);
        keys.push_back(k);
    }
    return keys;
}

TEST(IndexSorterRecordSuffix, MostSignificantByteFirstSoThatNineSortsBeforeTen) {
    EXPECT_EQ(HIndexSorter::RecordSuffix(9), std::string("\0\0\0\x09", 4));
    EXPECT_EQ(HIndexSorter::RecordSuffix(0x01020304), "\x01\x02\x03\x04");
    EXPECT_LT(HIndexSorter::RecordSuffix(9), HIndexSorter::RecordSuffix(10));
    EXPECT_LT(HIndexSorter::RecordSuffix(255), HIndexSorter::RecordSuffix(256));
    std::string_view key;
    uint32_t record = 0;
    const std::string sortKey = "AB12" + HIndexSorter::RecordSuffix(4000000000u);
    ASSERT_TRUE(HIndexSorter::SplitSortKey(sortKey, &key, &record));
    EXPECT_EQ(key, "AB12");
    EXPECT_EQ(record, 4000000000u);
    EXPECT_FALSE(HIndexSorter::SplitSortKey("\0\0\x01", &key, &record));
}

TEST_F(IndexSorterTest, EqualKeysComeOutInRecordOrderNineBeforeTen) {
    HIndexSorter sorter(Opts(false));
    ASSERT_TRUE(sorter.Add("SMITH", 9).ok());
    ASSERT_TRUE(sorter.Add("SMITH", 10).ok());
    ASSERT_TRUE(sorter.Add("ADAMS", 11).ok());
    ASSERT_TRUE(sorter.Add("SMITH", 100).ok());
    std::vector<Out> out = Drain(sorter);
    std::vector<Out> want = {{"ADAMS", 11}, {"SMITH", 9}, {"SMITH", 10}, {"SMITH", 100}};
    EXPECT_EQ(out, want);
    EXPECT_EQ(sorter.KeyCount(), 4u);
    EXPECT_EQ(sorter.LongestKey(), 5u);
}

TEST_F(IndexSorterTest, PrefixKeySortsBeforeLongerKeyAndBlanksAreStripped) {
    HIndexSorter sorter(Opts(false));
    ASSERT_TRUE(sorter.Add("AB", 1).ok());
    ASSERT_TRUE(sorter.Add("A   ", 2).ok());
    ASSERT_TRUE(sorter.Add("B", 3).ok());
    std::vector<Out> want = {{"A", 2}, {"AB", 1}, {"B", 3}};
    EXPECT_EQ(Drain(sorter), want);
}

TEST_F(IndexSorterTest, UniqueTagKeepsLowestRecord) {
    HIndexSorter sorter(Opts(true));
    ASSERT_TRUE(sorter.Add("X", 3).ok());
    ASSERT_TRUE(sorter.Add("X", 4).ok());
    ASSERT_TRUE(sorter.Add("A", 5).ok());
    ASSERT_TRUE(sorter.Add("A", 6).ok());
    std::vector<Out> want = {{"A", 5}, {"X", 3}};
    EXPECT_EQ(Drain(sorter), want);
    EXPECT_EQ(sorter.KeyCount(), 2u);
}

TEST_F(IndexSorterTest, UniqueTagKeepsLowestRecordAcrossRuns) {
    HIndexSorter sorter(Opts(true, 600));
    std::vector<std::string> keys = RandomKeys(5000, 12, 4, 7);
    std::map<std::string, uint32_t> model;
    for (uint32_t r = 1; r <= keys.size(); ++r) {
        ASSERT_TRUE(sorter.Add(keys[r - 1], r).ok());
        model.emplace(keys[r - 1], r);
    }
    EXPECT_GT(sorter.RunCount(), 1);
    std::vector<Out> out = Drain(sorter);
    std::vector<Out> want;
    for (const auto& [k, r] : model) want.push_back({k, r});
    EXPECT_EQ(out, want);
}

TEST_F(IndexSorterTest, OrderMatchesMultimapModelWithAndWithoutSpills) {
    std::vector<std::string> keys = RandomKeys(3000, 30, 6, 11);
    std::multimap<std::string, uint32_t> model;
    HIndexSorter inMemory(Opts(false));
    HIndexSorter spilling(Opts(false, 700));
    for (uint32_t r = 1; r <= keys.size(); ++r) {
        model.emplace(keys[r - 1], r);
        ASSERT_TRUE(inMemory.Add(keys[r - 1], r).ok());
        ASSERT_TRUE(spilling.Add(keys[r - 1], r).ok());
    }
    EXPECT_EQ(inMemory.RunCount(), 0);
    EXPECT_GT(spilling.RunCount(), 10);
    std::vector<Out> want;
    for (const auto& [k, r] : model) want.push_back({k, r});
    std::vector<Out> a = Drain(inMemory);
    std::vector<Out> b = Drain(spilling);
    EXPECT_EQ(a, want);
    EXPECT_EQ(b, want);
}

TEST_F(IndexSorterTest, MoreThan65535ItemsSpillsWithDefaultLimit) {
    HIndexSorter sorter(Opts(false));
    std::vector<std::string> keys = RandomKeys(3000, 60, 26, 3);
    for (uint32_t r = 1; r <= keys.size(); ++r) ASSERT_TRUE(sorter.Add(keys[r - 1], r).ok());
    EXPECT_GE(sorter.RunCount(), 1);
    EXPECT_EQ(Drain(sorter).size(), keys.size());
}

TEST_F(IndexSorterTest, RunFileLayoutLinksRunsInWholeBlocks) {
    HIndexSorter sorter(Opts(false, 600));
    std::vector<std::string> keys = RandomKeys(2000, 20, 26, 5);
    for (uint32_t r = 1; r <= keys.size(); ++r) ASSERT_TRUE(sorter.Add(keys[r - 1], r).ok());
    ASSERT_GE(sorter.RunCount(), 2);
    const std::string path = sorter.RunFilePath();
    const std::string name = path.substr(path.rfind('/') + 1);
    ASSERT_EQ(name.size(), 12u);
    EXPECT_EQ(name.substr(8), ".CPL");
    EXPECT_EQ(name.find_first_not_of("0123456789ABCDEF"), 8u);

    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size() % 1024, 0u);
    auto u8 = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
    // Follow the links: every non-last run points at the next run's start.
    uint32_t at = 0;
    int runs = 0;
    while (true) {
        ++runs;
        uint32_t link = u8(at) | (u8(at + 1) << 8) | (u8(at + 2) << 16) | (u8(at + 3) << 24);
        if (runs == sorter.RunCount()) {
            EXPECT_EQ(link, bytes.size());  // the last spilled run so far points at the end
            break;
        }
        ASSERT_GT(link, at);
        ASSERT_EQ(link % 1024, 0u);
        at = link;
    }
    // First entry of the first run: no shared bytes, then the smallest sort key.
    EXPECT_EQ(u8(4), 0);
    // Bytes 1020..1023 of each block are zero.
    for (size_t b = 0; b < bytes.size(); b += 1024)
        for (size_t i = 1020; i < 1024; ++i) EXPECT_EQ(u8(b + i), 0) << b;
    Drain(sorter);
    EXPECT_TRUE(Files().empty());
}

TEST_F(IndexSorterTest, RunFileIsDeletedWhenBuildIsAbandoned) {
    {
        HIndexSorter sorter(Opts(false, 600));
        for (uint32_t r = 1; r <= 500; ++r)
            ASSERT_TRUE(sorter.Add("KEY" + std::to_string(r * 7919), r).ok());
        ASSERT_GE(sorter.RunCount(), 1);
        EXPECT_EQ(Files().size(), 1u);
    }
    EXPECT_TRUE(Files().empty());
}

TEST_F(IndexSorterTest, RunFileIsDeletedWhenSinkFails) {
    HIndexSorter sorter(Opts(false, 600));
    for (uint32_t r = 1; r <= 500; ++r)
        ASSERT_TRUE(sorter.Add("KEY" + std::to_string(r * 7919), r).ok());
    HStatus st =
        sorter.Finish([](std::string_view, uint32_t) { return HStatus::Error(5, 1102, "SINK"); });
    EXPECT_EQ(st.code, 5);
    EXPECT_TRUE(Files().empty());
}

TEST_F(IndexSorterTest, RunFileGoesToCurrentDirectoryByDefault) {
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    HIndexSorter::Options o;
    o.maxItems = 600;
    {
        HIndexSorter sorter(o);
        for (uint32_t r = 1; r <= 500; ++r)
            ASSERT_TRUE(sorter.Add("KEY" + std::to_string(r * 7919), r).ok());
        EXPECT_EQ(sorter.RunFilePath().find('/'), std::string::npos);
        EXPECT_EQ(Files().size(), 1u);
        EXPECT_EQ(Drain(sorter).size(), 500u);
    }
    ASSERT_EQ(chdir(old), 0);
    EXPECT_TRUE(Files().empty());
}

TEST_F(IndexSorterTest, UnwritableDirectoryReportsCreateError) {
    HIndexSorter::Options o = Opts(false, 600);
    o.directory = dir_ + "/missing";
    HIndexSorter sorter(o);
    HStatus st;
    for (uint32_t r = 1; r <= 500 && st.ok(); ++r) st = sorter.Add("KEY" + std::to_string(r), r);
    EXPECT_EQ(st.code, 2);
    EXPECT_EQ(st.subCode, 1108);
}

TEST_F(IndexSorterTest, BinaryKeysKeepTheirBlanksWhenAsked) {
    HIndexSorter::Options o = Opts(false);
    o.stripTrailingBlanks = false;
    HIndexSorter sorter(o);
    ASSERT_TRUE(sorter.Add(std::string("\xC0\x20", 2), 1).ok());
    ASSERT_TRUE(sorter.Add(std::string("\xC0\x1F", 2), 2).ok());
    std::vector<Out> out = Drain(sorter);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].record, 2u);
    EXPECT_EQ(out[1].key, std::string("\xC0\x20", 2));
}

TEST_F(IndexSorterTest, KeysOfAnyBytesSortAsStringsThenRecordsWithAndWithoutSpills) {
    // Short keys over a tiny alphabet that includes zero bytes: many duplicates and many keys
    // that begin other keys ("AB" before "AB\0", "AB\0" before "AB\x01").
    std::mt19937 rng(17);
    const char alphabet[] = {'\0', '\x01', 'A', 'B', '\xFF'};
    std::vector<std::string> keys;
    for (int i = 0; i < 6000; ++i) {
        std::string k(rng() % 7, '\0');
        for (char& c : k) c = alphabet[rng() % 5];
        keys.push_back(k);
    }
    for (bool unique : {false, true}) {
        HIndexSorter::Options plainOptions = Opts(unique);
        HIndexSorter::Options spillOptions = Opts(unique, 600);
        plainOptions.stripTrailingBlanks = spillOptions.stripTrailingBlanks = false;
        HIndexSorter plain(plainOptions), spilling(spillOptions);
        std::multimap<std::string, uint32_t> model;
        for (uint32_t r = 1; r <= keys.size(); ++r) {
            ASSERT_TRUE(plain.Add(keys[r - 1], r).ok());
            ASSERT_TRUE(spilling.Add(keys[r - 1], r).ok());
            if (!unique || model.find(keys[r - 1]) == model.end()) model.emplace(keys[r - 1], r);
        }
        EXPECT_GT(spilling.RunCount(), 5);
        std::vector<Out> want;
        for (const auto& [k, r] : model) want.push_back({k, r});
        EXPECT_EQ(Drain(plain), want) << "unique " << unique;
        EXPECT_EQ(Drain(spilling), want) << "unique " << unique;
    }
}

TEST_F(IndexSorterTest, RecordsOutOfOrderAreRefused) {
    HIndexSorter sorter(Opts(false));
    ASSERT_TRUE(sorter.Add("B", 5).ok());
    EXPECT_FALSE(sorter.Add("A", 5).ok());
    EXPECT_FALSE(sorter.Add("A", 4).ok());
    EXPECT_TRUE(sorter.Add("A", 6).ok());
    std::vector<Out> want = {{"A", 6}, {"B", 5}};
    EXPECT_EQ(Drain(sorter), want);
}

}  // namespace
