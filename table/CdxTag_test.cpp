#include "table/CdxTag.h"

#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

// An index file in memory.
class MemoryStore : public HCdxPageStore {
public:
    HStatus AllocatePage(uint32_t* offset) override {
        *offset = static_cast<uint32_t>(bytes.size());
        bytes.resize(bytes.size() + cdx::kPageSize, 0);
        return HStatus::Ok();
    }
    HStatus WritePage(uint32_t offset, const HCdxPage& page) override {
        if (offset + page.size() > bytes.size()) return HStatus::Error(5, 1102, "beyond end");
        std::memcpy(&bytes[offset], page.data(), page.size());
        ++writes;
        return HStatus::Ok();
    }
    HStatus ReadPage(uint32_t offset, HCdxPage* page) override {
        if (offset + page->size() > bytes.size()) return HStatus::Error(221, 1101, "short");
        std::memcpy(page->data(), &bytes[offset], page->size());
        return HStatus::Ok();
    }
    uint64_t FileSize() override { return bytes.size(); }
    void Put32(uint32_t offset, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    std::vector<uint8_t> bytes;
    int writes = 0;
};

using Model = std::multimap<std::string, uint32_t>;

// Builds a tag at header offset 0 from `keys` (index form) for records 1..n.
void BuildInto(MemoryStore& store, const std::vector<std::string>& keys, const HKeyShape& shape) {
    uint32_t page = 0;
    store.AllocatePage(&page);
    store.AllocatePage(&page);
    HTagBuildParams params;
    params.shape = shape;
    params.recordCount = static_cast<uint32_t>(keys.size());
    params.largestRecord = params.recordCount;
    uint32_t root = 0;
    ASSERT_TRUE(BuildTag(
                    params,
                    [&](uint32_t r, std::string* key) {
                        *key = keys[r - 1];
                        return !key->empty();
                    },
                    store, nullptr, &root)
                    .ok());
    HCdxTagHeader header;
    header.root = root;
    header.keyLength = static_cast<uint16_t>(shape.keyLength);
    header.keyExpression = "X";
    auto b = EncodeTagHeader(header);
    std::memcpy(store.bytes.data(), b.data(), b.size());
}

std::vector<std::pair<std::string, uint32_t>> Scan(HCdxTag& tag) {
    std::vector<std::pair<std::string, uint32_t>> out;
    for (uint32_t r = tag.GoTop(); r != 0; r = tag.Next()) out.emplace_back(tag.CurrentKey(), r);
    return out;
}

std::vector<std::pair<std::string, uint32_t>> Flatten(const Model& m) {
    return {m.begin(), m.end()};
}

std::string GeneralName(const std::string& text) { return GeneralKeyForm(text, 142); }

class CdxTagTest : public ::testing::Test {
protected:
    void Make(const std::vector<std::string>& keys, const HKeyShape& shape,
              bool descending = false) {
        shape_ = shape;
        BuildInto(store_, keys, shape);
        tag_ = std::make_unique<HCdxTag>(store_, 0, shape, descending, "T.CDX");
        model_.clear();
        for (uint32_t r = 1; r <= keys.size(); ++r)
            if (!keys[r - 1].empty()) model_.emplace(keys[r - 1], r);
    }
    MemoryStore store_;
    HKeyShape shape_;
    std::unique_ptr<HCdxTag> tag_;
    Model model_;
};

std::vector<std::string> RandomMachineKeys(size_t n, unsigned seed, int alphabet = 6) {
    std::mt19937 rng(seed);
    std::vector<std::string> keys;
    for (size_t i = 0; i < n; ++i) {
        std::string k(1 + rng() % 12, 'A');
        for (char& c : k) c = static_cast<char>('A' + rng() % alphabet);
        keys.push_back(k);
    }
    return keys;
}

TEST_F(CdxTagTest, ScanForwardAndBackwardMatchesModel) {
    Make(RandomMachineKeys(3000, 1), {20, HKeyKind::Machine});
    EXPECT_EQ(Scan(*tag_), Flatten(model_));
    std::vector<std::pair<std::string, uint32_t>> back;
    for (uint32_t r = tag_->GoBottom(); r != 0; r = tag_->Previous())
        back.emplace_back(tag_->CurrentKey(), r);
    EXPECT_TRUE(tag_->Bof());
    auto want = Flatten(model_);
    std::reverse(want.begin(), want.end());
    EXPECT_EQ(back, want);
    EXPECT_TRUE(tag_->Status().ok());
}

TEST_F(CdxTagTest, NextAtTheEndSetsEofAndPreviousComesBack) {
    Make({"A", "B", "C"}, {10, HKeyKind::Machine});
    EXPECT_EQ(tag_->GoBottom(), 3u);
    EXPECT_EQ(tag_->Next(), 0u);
    EXPECT_TRUE(tag_->Eof());
    EXPECT_EQ(tag_->Previous(), 2u);
    EXPECT_EQ(tag_->GoTop(), 1u);
    EXPECT_EQ(tag_->Previous(), 0u);
    EXPECT_TRUE(tag_->Bof());
}

TEST_F(CdxTagTest, DescendingTagReadsBackwardsWithSwappedFlags) {
    Make({"A", "B", "C"}, {10, HKeyKind::Machine}, true);
    EXPECT_EQ(tag_->GoTop(), 3u);
    EXPECT_EQ(tag_->Next(), 2u);
    EXPECT_EQ(tag_->Next(), 1u);
    EXPECT_EQ(tag_->Next(), 0u);
    EXPECT_TRUE(tag_->Eof());
    EXPECT_FALSE(tag_->Bof());
    EXPECT_EQ(tag_->GoBottom(), 1u);
    EXPECT_EQ(tag_->Previous(), 2u);
}

TEST_F(CdxTagTest, SeekAgreesWithModelLowerBound) {
    Make(RandomMachineKeys(3000, 2), {20, HKeyKind::Machine});
    for (const std::string& probe : RandomMachineKeys(500, 3)) {
        const uint32_t r = tag_->Seek(probe, true);
        auto it = model_.lower_bound(probe);
        if (it != model_.end() && it->first == probe) {
            EXPECT_EQ(r, it->second) << probe;
        } else {
            EXPECT_EQ(r, 0u) << probe;
            if (it == model_.end()) {
                EXPECT_TRUE(tag_->Eof());
            } else {
                EXPECT_EQ(tag_->LastSeekResult(), -1);
                EXPECT_EQ(tag_->CurrentKey(), it->first) << probe;  // FindNear position
            }
        }
    }
}

TEST_F(CdxTagTest, SeekPrefixFindsFirstNameStartingWithIt) {
    std::vector<std::string> names = {"ISMITH, JOHN", "ISMALL, ANN",  "IJONES, MARY",
                                      "ISMITH, ADAM", "ISMYTHE, BOB", "FSMITH"};
    std::vector<std::string> keys;
    for (const auto& n : names) keys.push_back(GeneralName(n));
    Make(keys, {142, HKeyKind::General});
    EXPECT_EQ(tag_->Seek(GeneralName("ISMI"), false), 4u);  // ISMITH, ADAM
    EXPECT_EQ(tag_->Seek(GeneralName("ISMI"), true), 0u);
    // A whole surname lands on its first name (blank-weight pad).
    EXPECT_EQ(tag_->Seek(GeneralName("ISMITH"), false), 4u);
    // Numeric-free text without accents matches accented names after plain ones.
    EXPECT_EQ(tag_->Seek(GeneralName("ISMY"), false), 5u);
}

TEST_F(CdxTagTest, EqualKeysInRecordOrderNineBeforeTen) {
    std::vector<std::string> keys(12, GeneralName("ISMITH"));
    keys[0] = GeneralName("IADAMS");
    Make(keys, {142, HKeyKind::General});
    auto all = Scan(*tag_);
    ASSERT_EQ(all.size(), 12u);
    for (uint32_t i = 1; i < 12; ++i) EXPECT_EQ(all[i].second, i + 1);
    ASSERT_TRUE(tag_->GoToKey(GeneralName("ISMITH"), 9));
    EXPECT_EQ(tag_->Next(), 10u);
}

TEST_F(CdxTagTest, AccentedLetterSortsBetweenEAndF) {
    Make({GeneralName("F"), GeneralName("\xC9"), GeneralName("E")}, {142, HKeyKind::General});
    auto all = Scan(*tag_);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].second, 3u);
    EXPECT_EQ(all[1].second, 2u);
    EXPECT_EQ(all[2].second, 1u);
}

TEST_F(CdxTagTest, RangeIToJKeepsExactlyTheIndividuals) {
    std::vector<std::string> names = {"FADAMS", "IADAMS", "IZORN", "I", "JONES", "J", "H"};
    std::vector<std::string> keys;
    for (const auto& n : names) keys.push_back(GeneralName(n));
    Make(keys, {142, HKeyKind::General});
    std::set<uint32_t> seen;
    for (uint32_t r = tag_->SetRange(GeneralName("I"), GeneralName("J")); r != 0; r = tag_->Next())
        seen.insert(r);
    EXPECT_TRUE(tag_->Eof());
    // Both ends are inclusive: a key that is exactly "J" belongs to the range.
    EXPECT_EQ(seen, (std::set<uint32_t>{2, 3, 4, 6}));
    // From the bottom of the range backwards.
    std::set<uint32_t> back;
    for (uint32_t r = tag_->GoBottom(); r != 0; r = tag_->Previous()) back.insert(r);
    EXPECT_EQ(back, seen);
    EXPECT_TRUE(tag_->Bof());
}

TEST_F(CdxTagTest, RangeWithLargeTagMatchesModel) {
    Make(RandomMachineKeys(4000, 4, 4), {20, HKeyKind::Machine});
    tag_->SetRange("B", "C");
    std::vector<std::pair<std::string, uint32_t>> got;
    for (uint32_t r = tag_->GoTop(); r != 0; r = tag_->Next())
        got.emplace_back(tag_->CurrentKey(), r);
    std::vector<std::pair<std::string, uint32_t>> want;
    for (const auto& [k, r] : model_)
        if (CompareKeys(k, "B", 0x20) >= 0 && CompareKeys(k, "C", 0x20) <= 0)
            want.emplace_back(k, r);
    EXPECT_EQ(got, want);
}

TEST_F(CdxTagTest, EmptyTagHasNoRecords) {
    Make({}, {10, HKeyKind::Machine});
    EXPECT_EQ(tag_->GoTop(), 0u);
    EXPECT_TRUE(tag_->Eof());
    EXPECT_EQ(tag_->Seek("A", false), 0u);
    EXPECT_TRUE(tag_->Status().ok());
}

TEST_F(CdxTagTest, InsertionsAndDeletionsMatchMultimapModel) {
    Make(RandomMachineKeys(300, 5), {20, HKeyKind::Machine});
    std::mt19937 rng(6);
    uint32_t nextRecord = 301;
    for (int step = 0; step < 6000; ++step) {
        if (rng() % 3 != 0 || model_.empty()) {
            std::string key = RandomMachineKeys(1, rng())[0];
            bool inserted = false;
            ASSERT_TRUE(tag_->Insert(key, nextRecord, nextRecord, false, &inserted).ok());
            EXPECT_TRUE(inserted);
            model_.emplace(key, nextRecord++);
        } else {
            auto it = model_.begin();
            std::advance(it, rng() % model_.size());
            bool found = false;
            ASSERT_TRUE(tag_->Delete(it->first, it->second, nextRecord, &found).ok());
            EXPECT_TRUE(found) << it->first << " " << it->second;
            model_.erase(it);
        }
    }
    EXPECT_EQ(Scan(*tag_), Flatten(model_));
    std::vector<std::pair<std::string, uint32_t>> back;
    for (uint32_t r = tag_->GoBottom(); r != 0; r = tag_->Previous())
        back.emplace_back(tag_->CurrentKey(), r);
    auto want = Flatten(model_);
    std::reverse(want.begin(), want.end());
    EXPECT_EQ(back, want);
}

TEST_F(CdxTagTest, InsertIntoEmptyTagSplitsRootLeafAndMakesNewRoot) {
    Make({}, {100, HKeyKind::Machine});
    const uint32_t firstRoot = store_.bytes[0] | (store_.bytes[1] << 8);
    for (uint32_t r = 1; r <= 40; ++r) {
        std::string key(100, static_cast<char>('A' + (r * 7) % 26));
        key[50] = static_cast<char>('0' + r % 10);
        ASSERT_TRUE(tag_->Insert(key, r, 40, false).ok());
        model_.emplace(key, r);
    }
    const uint32_t root = store_.bytes[0] | (store_.bytes[1] << 8);
    EXPECT_NE(root, firstRoot);
    EXPECT_EQ(store_.bytes[root], cdx::kAttrInteriorRoot);
    EXPECT_EQ(store_.bytes[firstRoot], cdx::kAttrLeaf);
    EXPECT_EQ(Scan(*tag_), Flatten(model_));
}

TEST_F(CdxTagTest, LargeKeysSplitInteriorNodes) {
    Make({}, {240, HKeyKind::Machine});
    std::mt19937 rng(9);
    for (uint32_t r = 1; r <= 300; ++r) {
        std::string key(240, 'x');
        for (int i = 0; i < 6; ++i) key[i] = static_cast<char>('A' + rng() % 26);
        key[239] = static_cast<char>('A' + rng() % 26);
        ASSERT_TRUE(tag_->Insert(key, r, 300, false).ok());
        model_.emplace(key, r);
    }
    EXPECT_EQ(Scan(*tag_), Flatten(model_));
}

TEST_F(CdxTagTest, UniqueInsertKeepsExistingKey) {
    Make({"A", "B"}, {10, HKeyKind::Machine});
    bool inserted = true;
    ASSERT_TRUE(tag_->Insert("A", 7, 7, true, &inserted).ok());
    EXPECT_FALSE(inserted);
    ASSERT_TRUE(tag_->Insert("C", 8, 8, true, &inserted).ok());
    EXPECT_TRUE(inserted);
    EXPECT_EQ(Scan(*tag_).size(), 3u);
}

TEST_F(CdxTagTest, RecordBeyondTheGivenCountStillFitsTheLeaf) {
    Make(RandomMachineKeys(500, 3), {20, HKeyKind::Machine});
    ASSERT_TRUE(tag_->Insert("AAA", 5000000, 10, false).ok());
    model_.emplace("AAA", 5000000);
    EXPECT_EQ(Scan(*tag_), Flatten(model_));
}

TEST_F(CdxTagTest, DeleteOfAbsentKeyFindsNothing) {
    Make({"A", "B"}, {10, HKeyKind::Machine});
    bool found = true;
    ASSERT_TRUE(tag_->Delete("A", 2, 2, &found).ok());
    EXPECT_FALSE(found);
    ASSERT_TRUE(tag_->Delete("A", 1, 2, &found).ok());
    EXPECT_TRUE(found);
    EXPECT_EQ(tag_->GoTop(), 2u);
}

TEST_F(CdxTagTest, DeletingEveryKeyLeavesEmptyLeavesThatNavigationSkips) {
    std::vector<std::string> keys = RandomMachineKeys(2000, 12);
    Make(keys, {20, HKeyKind::Machine});
    auto all = Flatten(model_);
    for (size_t i = 0; i + 1 < all.size(); ++i)
        ASSERT_TRUE(tag_->Delete(all[i].first, all[i].second, 2000).ok());
    EXPECT_EQ(tag_->GoTop(), all.back().second);
    EXPECT_EQ(tag_->Next(), 0u);
    EXPECT_EQ(tag_->GoBottom(), all.back().second);
    EXPECT_EQ(tag_->Previous(), 0u);
    EXPECT_TRUE(tag_->Status().ok());
}

// --- Damaged files ------------------------------------------------------------------------

TEST_F(CdxTagTest, BadRootOffsetsAreDamage) {
    for (uint32_t root : {0u, 1000u, 1u << 30}) {
        Make(RandomMachineKeys(100, 1), {20, HKeyKind::Machine});
        store_.Put32(0, root);
        HCdxTag tag(store_, 0, shape_, false, "BAD.CDX");
        EXPECT_EQ(tag.GoTop(), 0u);
        EXPECT_EQ(tag.Seek("A", false), 0u);
        EXPECT_EQ(tag.Status().code, 2112) << root;
        EXPECT_EQ(tag.Status().text, "BAD.CDX");
        EXPECT_FALSE(tag.Insert("A", 1, 1, false).ok());
        store_.bytes.clear();
    }
}

TEST_F(CdxTagTest, ChildPointingAtItsOwnNodeIsDamageNotALoop) {
    Make(RandomMachineKeys(3000, 1), {20, HKeyKind::Machine});
    const uint32_t root = store_.bytes[0] | (store_.bytes[1] << 8) | (store_.bytes[2] << 16);
    ASSERT_EQ(store_.bytes[root], cdx::kAttrInteriorRoot);
    // First entry's child (big-endian, after the 20-byte key and the record) -> the root.
    const uint32_t childPos = root + 12 + 20 + 4;
    for (int i = 0; i < 4; ++i)
        store_.bytes[childPos + i] = static_cast<uint8_t>(root >> (24 - 8 * i));
    HCdxTag tag(store_, 0, shape_, false, "LOOP.CDX");
    EXPECT_EQ(tag.GoTop(), 0u);
    EXPECT_EQ(tag.Status().code, 2112);
    EXPECT_FALSE(tag.Insert("A", 1, 1, false).ok());
}

TEST_F(CdxTagTest, SiblingCycleIsDamageNotALoop) {
    Make(RandomMachineKeys(3000, 1), {20, HKeyKind::Machine});
    // Point every node's right sibling at the first node page.
    for (size_t off = 1024; off + 512 <= store_.bytes.size(); off += 512)
        store_.Put32(off + 8, 1024);
    HCdxTag tag(store_, 0, shape_, false, "CYCLE.CDX");
    size_t n = 0;
    for (uint32_t r = tag.GoTop(); r != 0 && n < 10000; r = tag.Next()) ++n;
    EXPECT_LT(n, 3000u);
    EXPECT_TRUE(tag.Eof());
    EXPECT_EQ(tag.Status().code, 2112);
}

TEST_F(CdxTagTest, InteriorNodesAllPointingAtOneEmptyLeafEndInDamage) {
    Make(RandomMachineKeys(3000, 1), {20, HKeyKind::Machine});
    // An empty leaf, and every interior entry pointing at it.
    uint32_t empty = 0;
    store_.AllocatePage(&empty);
    HCdxNode leaf;
    leaf.attributes = cdx::kAttrLeaf;
    leaf.widths = LeafWidths(20, 3000);
    HCdxPage page;
    ASSERT_TRUE(EncodeLeaf(leaf, shape_, page));
    store_.WritePage(empty, page);
    for (size_t off = 1024; off + 512 <= store_.bytes.size() - 512; off += 512) {
        if (store_.bytes[off] > 1) continue;  // leaves
        const int count = store_.bytes[off + 2];
        for (int i = 0; i < count; ++i) {
            const size_t childPos = off + 12 + i * 28 + 24;
            for (int b = 0; b < 4; ++b)
                store_.bytes[childPos + b] = static_cast<uint8_t>(empty >> (24 - 8 * b));
        }
    }
    HCdxTag tag(store_, 0, shape_, false, "EMPTY.CDX");
    EXPECT_EQ(tag.GoTop(), 0u);
    EXPECT_EQ(tag.GoBottom(), 0u);
}

TEST_F(CdxTagTest, RandomByteDamageNeverCrashesOrHangs) {
    std::mt19937 rng(77);
    for (int round = 0; round < 200; ++round) {
        MemoryStore store;
        BuildInto(store, RandomMachineKeys(800, 1), {20, HKeyKind::Machine});
        for (int i = 0; i < 20; ++i)
            store.bytes[1024 + rng() % (store.bytes.size() - 1024)] = rng();
        HCdxTag tag(store, 0, {20, HKeyKind::Machine}, false, "R.CDX");
        size_t n = 0;
        for (uint32_t r = tag.GoTop(); r != 0 && n < 5000; r = tag.Next()) ++n;
        EXPECT_LT(n, 5000u);
        tag.Seek("ABC", false);
        tag.Insert("ABC", 900, 900, false);
        tag.Delete("ABC", 900, 900);
        for (uint32_t r = tag.GoBottom(); r != 0 && n < 10000; r = tag.Previous()) ++n;
    }
}

}  // namespace
