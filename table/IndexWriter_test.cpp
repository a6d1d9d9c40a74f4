#include "table/IndexWriter.h"

#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Pages in memory; offsets continue a file that already holds `firstOffset` bytes.
class MemorySink : public HCdxPageSink {
public:
    explicit MemorySink(uint32_t firstOffset = 2560) : next_(firstOffset) {}
    HStatus AllocatePage(uint32_t* offset) override {
        if (failAllocation_ > 0 && --failAllocation_ == 0) return HStatus::Error(112, 1102, "FULL");
        *offset = next_;
        next_ += 512;
        allocations.push_back(*offset);
        return HStatus::Ok();
    }
    HStatus WritePage(uint32_t offset, const HCdxPage& page) override {
        ++writeCalls;
        writes.emplace_back(offset, page);
        pages[offset] = page;
        return HStatus::Ok();
    }
    HStatus WritePages(uint32_t offset, const uint8_t* data, size_t count) override {
        ++writeCalls;
        for (size_t i = 0; i < count; ++i) {
            HCdxPage page;
            std::memcpy(page.data(), data + 512 * i, 512);
            writes.emplace_back(offset + 512 * i, page);
            pages[offset + 512 * i] = page;
        }
        return HStatus::Ok();
    }
    uint32_t FileSize() const { return next_; }

    std::vector<uint32_t> allocations;
    std::vector<std::pair<uint32_t, HCdxPage>> writes;
    std::map<uint32_t, HCdxPage> pages;
    int writeCalls = 0;
    int failAllocation_ = 0;

private:
    uint32_t next_;
};

using Entry = std::pair<std::string, uint32_t>;
using Statuses = std::vector<std::tuple<int, int, int>>;

// Reads a whole tag back from the sink and checks its structure: every level is a sibling
// chain from -1 to -1, each interior entry holds the last key of its child, the root is the
// only node of the top level. Returns the leaf entries in order.
std::vector<Entry> ReadTag(const MemorySink& sink, uint32_t root, const HKeyShape& shape,
                           int* levelsOut = nullptr) {
    std::vector<Entry> out;
    auto load = [&](uint32_t offset) {
        HCdxNode node;
        auto it = sink.pages.find(offset);
        EXPECT_NE(it, sink.pages.end()) << offset;
        if (it == sink.pages.end()) return node;
        EXPECT_TRUE(DecodeNode(it->second, shape, "T", node).ok());
        return node;
    };
    HCdxNode node = load(root);
    EXPECT_TRUE(node.IsRoot());
    EXPECT_EQ(node.left, cdx::kNoSibling);
    EXPECT_EQ(node.right, cdx::kNoSibling);
    int levels = 1;
    // Check each level: children in order equal the next level's sibling chain.
    std::vector<uint32_t> level{root};
    while (!node.IsLeaf()) {
        std::vector<uint32_t> children;
        for (uint32_t offset : level) {
            HCdxNode n = load(offset);
            for (const HCdxEntry& e : n.entries) {
                HCdxNode child = load(e.child);
                EXPECT_FALSE(child.entries.empty());
                if (child.entries.empty()) continue;
                // The entry holds the child's last key; a leaf child's last entry is the
                // greatest key of the subtree.
                EXPECT_EQ(CompareKeys(e.key, child.entries.back().key, ComparePad(shape.kind)), 0);
                EXPECT_EQ(e.record, child.entries.back().record);
                children.push_back(e.child);
            }
        }
        for (size_t i = 0; i < children.size(); ++i) {
            HCdxNode c = load(children[i]);
            EXPECT_EQ(c.left, i == 0 ? cdx::kNoSibling : children[i - 1]);
            EXPECT_EQ(c.right, i + 1 == children.size() ? cdx::kNoSibling : children[i + 1]);
            EXPECT_FALSE(c.IsRoot());
        }
        level = children;
        node = load(children.front());
        ++levels;
    }
    for (uint32_t offset : level)
        for (const HCdxEntry& e : load(offset).entries) out.emplace_back(e.key, e.record);
    if (levelsOut) *levelsOut = levels;
    return out;
}

class IndexWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/index_writer_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        int left = 0;
        if (DIR* d = opendir(dir_.c_str())) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.') {
                    ++left;
                    std::remove((dir_ + "/" + e->d_name).c_str());
                }
            closedir(d);
        }
        EXPECT_EQ(left, 0) << "run file left behind";
        rmdir(dir_.c_str());
    }
    HTagBuildParams Params(const HKeyShape& shape, uint32_t records, size_t maxItems) {
        HTagBuildParams params;
        params.shape = shape;
        params.recordCount = records;
        params.largestRecord = records;
        params.sorter.maxItems = maxItems;
        params.sorter.directory = dir_;
        return params;
    }
    std::string dir_;
};

TEST_F(IndexWriterTest, EmptyTableGivesEmptyRootLeafAndFourReports) {
    MemorySink sink;
    Statuses statuses;
    uint32_t root = 0;
    HTagBuildParams params = Params({20, HKeyKind::Machine}, 0, HIndexSorter::kMaxItems);
    HStatus st = BuildTag(
        params, [](uint32_t, std::string*) { return true; }, sink,
        [&](int a, int b, int c) { statuses.emplace_back(a, b, c); }, &root);
    ASSERT_TRUE(st.ok());
    EXPECT_EQ(root, 2560u);
    Statuses want = {{-1, 1, 0}, {0, 0, 0}, {-1, 2, 0}, {0, 0, 0}};
    EXPECT_EQ(statuses, want);
    const HCdxPage& page = sink.pages.at(root);
    EXPECT_EQ(page[0], 3);
    EXPECT_EQ(page[2], 0);
    EXPECT_EQ(page[4], 0xFF);
    EXPECT_EQ(page[8], 0xFF);
    EXPECT_EQ(page[12] | (page[13] << 8), 488);
    EXPECT_EQ(page[23], 3);
}

TEST_F(IndexWriterTest, DirectoryGetsEmptyRootLeafWithoutReports) {
    MemorySink sink(1024);
    Statuses statuses;
    uint32_t root = 0;
    HTagBuildParams params = Params({10, HKeyKind::Machine}, 0, HIndexSorter::kMaxItems);
    params.directory = true;
    params.largestRecord = 1536;
    ASSERT_TRUE(BuildTag(
                    params, [](uint32_t, std::string*) { return true; }, sink,
                    [&](int a, int b, int c) { statuses.emplace_back(a, b, c); }, &root)
                    .ok());
    EXPECT_EQ(root, 1024u);
    EXPECT_TRUE(statuses.empty());
    EXPECT_EQ(sink.pages.at(1024)[0], 3);
    EXPECT_EQ(sink.pages.at(1024)[23], 3);
}

TEST_F(IndexWriterTest, StatusReportsInOrder) {
    MemorySink sink;
    Statuses statuses;
    uint32_t root = 0;
    HTagBuildParams params = Params({10, HKeyKind::Machine}, 3, HIndexSorter::kMaxItems);
    ASSERT_TRUE(BuildTag(
                    params,
                    [](uint32_t r, std::string* key) {
                        if (r == 2) return false;  // e.g. FOR expression not true
                        *key = "K" + std::to_string(4 - r);
                        return true;
                    },
                    sink, [&](int a, int b, int c) { statuses.emplace_back(a, b, c); }, &root)
                    .ok());
    Statuses want = {{-1, 1, 3}, {1, 1, 0}, {1, 2, 0}, {1, 3, 0}, {0, 0, 0},
                     {-1, 2, 2}, {2, 1, 0}, {2, 2, 0}, {0, 0, 0}};
    EXPECT_EQ(statuses, want);
    std::vector<Entry> entries = ReadTag(sink, root, params.shape);
    std::vector<Entry> wantEntries = {{"K1", 3}, {"K3", 1}};
    EXPECT_EQ(entries, wantEntries);
}

// Random general-collation names; many equal names; records 1..n.
std::vector<std::string> Names(size_t n, unsigned seed) {
    const char* surnames[] = {"Smith", "Smyth",     "Jones",  "\xC9mile", "Emile",
                              "Fabre", "M\x81ller", "Muller", "O'Neil",   "Adams"};
    const char* given[] = {"John", "Mary", "Anne", "Jos\x82", "Zo\x89", ""};
    std::mt19937 rng(seed);
    std::vector<std::string> out;
    for (size_t i = 0; i < n; ++i) {
        std::string name = std::string(i % 7 == 0 ? "F" : "I") + surnames[rng() % 10];
        std::string g = given[rng() % 6];
        if (!g.empty()) name += ", " + g;
        if (rng() % 3 == 0) name += " " + std::to_string(rng() % 50);
        name.resize(71, ' ');
        out.push_back(name);
    }
    return out;
}

struct BuildResult {
    std::vector<std::pair<uint32_t, HCdxPage>> writes;
    std::vector<uint32_t> allocations;
    uint32_t root = 0;
    Statuses statuses;
    MemorySink sink;
};

void Build(const std::vector<std::string>& names, const HTagBuildParams& params, BuildResult* out) {
    HStatus st = BuildTag(
        params,
        [&](uint32_t r, std::string* key) {
            *key = ToIndexForm(names[r - 1], params.shape);
            return true;
        },
        out->sink, [&](int a, int b, int c) { out->statuses.emplace_back(a, b, c); }, &out->root);
    ASSERT_TRUE(st.ok()) << st.code;
}

TEST_F(IndexWriterTest, TagBuiltWithSpillsIsByteIdenticalAndOrdered) {
    const std::vector<std::string> names = Names(6000, 5);
    const HKeyShape shape{142, HKeyKind::General};
    BuildResult plain, spilled;
    Build(names, Params(shape, 6000, HIndexSorter::kMaxItems), &plain);
    Build(names, Params(shape, 6000, 600), &spilled);
    EXPECT_EQ(plain.allocations, spilled.allocations);
    ASSERT_EQ(plain.writes.size(), spilled.writes.size());
    for (size_t i = 0; i < plain.writes.size(); ++i) {
        EXPECT_EQ(plain.writes[i].first, spilled.writes[i].first) << i;
        EXPECT_TRUE(plain.writes[i].second == spilled.writes[i].second) << "page " << i;
    }
    EXPECT_EQ(plain.root, spilled.root);
    EXPECT_EQ(plain.statuses, spilled.statuses);

    // Order against a multimap model of (key, record).
    std::multimap<std::string, uint32_t> model;
    for (uint32_t r = 1; r <= names.size(); ++r) model.emplace(ToIndexForm(names[r - 1], shape), r);
    int levels = 0;
    std::vector<Entry> entries = ReadTag(plain.sink, plain.root, shape, &levels);
    ASSERT_EQ(entries.size(), model.size());
    size_t i = 0;
    for (const auto& [key, record] : model) {
        EXPECT_EQ(entries[i].first, key) << i;
        EXPECT_EQ(entries[i].second, record) << i;
        ++i;
    }
    EXPECT_GE(levels, 3);
    // Every page taken was written, mostly in runs of neighbouring pages.
    EXPECT_EQ(plain.sink.pages.size(), plain.sink.allocations.size());
    EXPECT_LT(plain.sink.writeCalls * 8, static_cast<int>(plain.sink.allocations.size()));
}

TEST_F(IndexWriterTest, LeavesAreFinishedByTheFreeSpaceRule) {
    const std::vector<std::string> names = Names(3000, 9);
    const HKeyShape shape{142, HKeyKind::General};
    BuildResult b;
    Build(names, Params(shape, 3000, HIndexSorter::kMaxItems), &b);
    const HCdxLeafWidths w = LeafWidths(142, 3000);
    const int threshold = 2 * (w.bytesPerEntry + 142 + 8);
    int leaves = 0;
    for (const auto& [offset, page] : b.sink.pages) {
        HCdxNode node;
        ASSERT_TRUE(DecodeNode(page, shape, "T", node).ok());
        if (!node.IsLeaf()) {
            EXPECT_LE(node.entries.size(), 3u);
            continue;
        }
        ++leaves;
        EXPECT_EQ(node.widths.bytesPerEntry, w.bytesPerEntry);
        if (node.right == cdx::kNoSibling) continue;
        EXPECT_LT(node.freeBytes, threshold) << offset;
        // Without its last key the leaf was not yet full.
        HCdxNode shorter = node;
        shorter.entries.pop_back();
        HCdxPage p;
        ASSERT_TRUE(EncodeLeaf(shorter, shape, p));
        EXPECT_GE(p[12] | (p[13] << 8), threshold) << offset;
    }
    EXPECT_GT(leaves, 10);
}

TEST_F(IndexWriterTest, EqualKeysInRecordOrderNineBeforeTen) {
    std::vector<std::string> names(12, "ISMITH");
    names[0] = "IADAMS";
    BuildResult b;
    const HKeyShape shape{20, HKeyKind::Machine};
    Build(names, Params(shape, 12, HIndexSorter::kMaxItems), &b);
    std::vector<Entry> entries = ReadTag(b.sink, b.root, shape);
    ASSERT_EQ(entries.size(), 12u);
    for (uint32_t i = 1; i < 12; ++i) EXPECT_EQ(entries[i].second, i + 1);
}

TEST_F(IndexWriterTest, UniqueTagKeepsLowestRecordWithSpills) {
    const std::vector<std::string> names = Names(3000, 2);
    const HKeyShape shape{142, HKeyKind::General};
    HTagBuildParams params = Params(shape, 3000, 600);
    params.unique = true;
    BuildResult b;
    Build(names, params, &b);
    std::map<std::string, uint32_t> model;
    for (uint32_t r = 1; r <= names.size(); ++r) model.emplace(ToIndexForm(names[r - 1], shape), r);
    std::vector<Entry> entries = ReadTag(b.sink, b.root, shape);
    std::vector<Entry> want(model.begin(), model.end());
    EXPECT_EQ(entries, want);
}

TEST_F(IndexWriterTest, NumericTagOrdersByValue) {
    std::vector<std::string> values;
    std::mt19937 rng(4);
    for (int i = 0; i < 2000; ++i)
        values.push_back(std::to_string(static_cast<int>(rng() % 100000) - 50000) + "." +
                         std::to_string(rng() % 100));
    values.push_back("1");
    values.push_back("1.0000001");
    const HKeyShape shape{8, HKeyKind::Numeric};
    BuildResult b;
    Build(values, Params(shape, static_cast<uint32_t>(values.size()), 600), &b);
    std::vector<Entry> entries = ReadTag(b.sink, b.root, shape);
    ASSERT_EQ(entries.size(), values.size());
    double previous = -1e300;
    for (const Entry& e : entries) {
        double v = std::stod(values[e.second - 1]);
        EXPECT_LE(previous, v);
        previous = v;
    }
}

TEST_F(IndexWriterTest, PageSinkFailureEndsBuildAndRemovesRunFile) {
    const std::vector<std::string> names = Names(3000, 3);
    const HKeyShape shape{142, HKeyKind::General};
    BuildResult b;
    b.sink.failAllocation_ = 5;
    HTagBuildParams params = Params(shape, 3000, 600);
    HStatus st = BuildTag(
        params,
        [&](uint32_t r, std::string* key) {
            *key = ToIndexForm(names[r - 1], shape);
            return true;
        },
        b.sink, nullptr, &b.root);
    EXPECT_EQ(st.code, 112);
}

TEST_F(IndexWriterTest, RecordSourceExceptionEndsBuildWithoutRunFileOrHang) {
    const std::vector<std::string> names = Names(5000, 4);
    const HKeyShape shape{142, HKeyKind::General};
    MemorySink sink;
    uint32_t root = 0;
    // Spills several runs before the record source fails; TearDown finds no run file.
    EXPECT_THROW(BuildTag(
                     Params(shape, 5000, 600),
                     [&](uint32_t r, std::string* key) {
                         if (r == 4000) throw std::runtime_error("table read failed");
                         *key = ToIndexForm(names[r - 1], shape);
                         return true;
                     },
                     sink, nullptr, &root),
                 std::runtime_error);
}

TEST_F(IndexWriterTest, RunFileThatCannotBeCreatedEndsBuildWithItsError) {
    const std::vector<std::string> names = Names(50000, 6);
    const HKeyShape shape{142, HKeyKind::General};
    MemorySink sink;
    uint32_t root = 0;
    HTagBuildParams params = Params(shape, 50000, 600);
    params.sorter.directory = dir_ + "/missing";
    uint32_t asked = 0;
    HStatus st = BuildTag(
        params,
        [&](uint32_t r, std::string* key) {
            asked = r;
            *key = ToIndexForm(names[r - 1], shape);
            return true;
        },
        sink, nullptr, &root);
    EXPECT_EQ(st.code, 2);
    EXPECT_EQ(st.subCode, 1108);
    EXPECT_NE(st.text.find("/missing/"), std::string::npos) << st.text;
    // The build stopped reading records soon after the failure.
    EXPECT_LT(asked, 50000u);
}

// Reads an annotated hex file: bytes in hex, "#" comments, "@XXXX" jumps to a hex offset
// (skipped bytes are zero); the last jump gives the size.
std::vector<uint8_t> ReadHexText(const std::string& path) {
    std::ifstream in(path);
    EXPECT_TRUE(in.good()) << path;
    std::vector<uint8_t> out;
    size_t pos = 0;
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            if (word[0] == '@') {
                pos = std::stoul(word.substr(1), nullptr, 16);
                if (out.size() < pos) out.resize(pos, 0);
                continue;
            }
            if (out.size() < pos + 1) out.resize(pos + 1, 0);
            out[pos++] = static_cast<uint8_t>(std::stoul(word, nullptr, 16));
        }
    }
    return out;
}

TEST_F(IndexWriterTest, WritesTheHandBuiltGoldenIndexFile) {
    // The file as the engine writes it: directory header and root leaf, the tag's header,
    // the tag's nodes built from the records, then the directory entry.
    MemorySink sink(0);
    std::vector<uint8_t> file(3072, 0);
    uint32_t page = 0;
    for (int i = 0; i < 5; ++i) sink.AllocatePage(&page);  // directory (3 pages), tag header
    const std::vector<std::string> pointers = {"@I2@", "@I1@", "@I1@"};
    HTagBuildParams params = Params({20, HKeyKind::Machine}, 3, HIndexSorter::kMaxItems);
    uint32_t root = 0;
    ASSERT_TRUE(BuildTag(
                    params,
                    [&](uint32_t r, std::string* key) {
                        std::string field = pointers[r - 1];
                        field.resize(20, ' ');
                        *key = ToIndexForm(field, params.shape);
                        return true;
                    },
                    sink, nullptr, &root)
                    .ok());
    ASSERT_EQ(sink.FileSize(), 3072u);
    HCdxTagHeader tag;
    tag.root = root;
    tag.keyLength = 20;
    tag.options = TagOptions(false, false, false);
    tag.keyExpression = "POINTER";
    auto tagBytes = EncodeTagHeader(tag);
    std::memcpy(&file[1536], tagBytes.data(), tagBytes.size());
    HCdxNode directory;
    directory.widths = LeafWidths(10, sink.FileSize());
    directory.entries = {{"POINTER", 1536, 0}};
    HCdxPage leaf;
    ASSERT_TRUE(EncodeLeaf(directory, {10, HKeyKind::Machine}, leaf));
    std::memcpy(&file[1024], leaf.data(), leaf.size());
    HCdxTagHeader dirHeader;
    dirHeader.root = 1024;
    dirHeader.keyLength = 10;
    dirHeader.options = TagOptions(true, false, false);
    auto dirBytes = EncodeTagHeader(dirHeader);
    std::memcpy(&file[0], dirBytes.data(), dirBytes.size());
    for (const auto& [offset, bytes] : sink.pages) std::memcpy(&file[offset], bytes.data(), 512);

    const std::vector<uint8_t> golden =
        ReadHexText(std::string(LINEATUM_TABLE_TESTDATA) + "/pointer_tag.cdx.hex.txt");
    ASSERT_EQ(golden.size(), file.size());
    for (size_t i = 0; i < file.size(); ++i)
        ASSERT_EQ(file[i], golden[i]) << "offset " << std::hex << i;
}

}  // namespace
