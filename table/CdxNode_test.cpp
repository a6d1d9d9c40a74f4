#include "table/CdxNode.h"

#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace {

const HKeyShape kDirectoryShape{10, HKeyKind::Machine};

HCdxPage PageFromHex(std::initializer_list<std::pair<int, std::string>> parts) {
    HCdxPage page{};
    for (const auto& [offset, hex] : parts) {
        int pos = offset;
        for (size_t i = 0; i + 1 < hex.size();) {
            if (hex[i] == ' ') {
                ++i;
                continue;
            }
            page[pos++] = static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16));
            i += 2;
        }
    }
    return page;
}

// The worked example of doc/cdx_format.md, typed in from the document.
HCdxPage DocExamplePage() {
    return PageFromHex({{0x00, "03 00 02 00 FF FF FF FF FF FF FF FF"},
                        {0x0C, "D8 01"},
                        {0x0E, "FF FF 00 00 0F 0F 10 04 04 03"},
                        {0x18, "00 06 60"},
                        {0x1B, "00 0C 40"},
                        {0x1F6, "49 4E 44 45 58 46"},
                        {0x1FC, "47 45 44 46"}});
}

TEST(LeafWidthsTest, FollowKeyLengthAndLargestRecord) {
    HCdxLeafWidths w = LeafWidths(10, 1536);
    EXPECT_EQ(w.dupBits, 4);
    EXPECT_EQ(w.trailBits, 4);
    EXPECT_EQ(w.recordBits, 16);
    EXPECT_EQ(w.bytesPerEntry, 3);
    EXPECT_EQ(w.recordMask, 0xFFFFu);
    w = LeafWidths(142, 5000);
    EXPECT_EQ(w.bytesPerEntry, 4);
    EXPECT_EQ(w.recordBits, 16);
    EXPECT_EQ(w.dupBits, 8);
    w = LeafWidths(71, 100);
    EXPECT_EQ(w.dupBits, 7);
    EXPECT_EQ(w.recordBits, 10);
    EXPECT_EQ(w.bytesPerEntry, 3);
    w = LeafWidths(142, 0xFFFFFFF0u);
    EXPECT_EQ(w.recordBits, 31);
    EXPECT_EQ(w.recordMask, 0x7FFFFFFFu);
    EXPECT_EQ(w.bytesPerEntry, 6);
    EXPECT_EQ(LeafWidths(16, 1).dupBits, 5);
}

TEST(CdxLeafTest, EncodesTheDocumentedDirectoryLeaf) {
    HCdxNode node;
    node.attributes = cdx::kAttrLeafRoot;
    node.widths = LeafWidths(10, 5632);
    node.entries = {{"GEDF", 1536, 0}, {"INDEXF", 3072, 0}};
    HCdxPage page;
    ASSERT_TRUE(EncodeLeaf(node, kDirectoryShape, page));
    EXPECT_EQ(page, DocExamplePage());
}

TEST(CdxLeafTest, DecodesTheDocumentedDirectoryLeaf) {
    HCdxNode node;
    ASSERT_TRUE(DecodeNode(DocExamplePage(), kDirectoryShape, "X.CDX", node).ok());
    EXPECT_TRUE(node.IsLeaf());
    EXPECT_TRUE(node.IsRoot());
    ASSERT_EQ(node.entries.size(), 2u);
    EXPECT_EQ(node.entries[0].key, "GEDF");
    EXPECT_EQ(node.entries[0].record, 1536u);
    EXPECT_EQ(node.entries[1].key, "INDEXF");
    EXPECT_EQ(node.entries[1].record, 3072u);
    EXPECT_EQ(node.freeBytes, 472);
}

TEST(CdxLeafTest, EmptyDirectoryRootLeaf) {
    HCdxNode node;
    node.widths = LeafWidths(10, 1536);
    HCdxPage page;
    ASSERT_TRUE(EncodeLeaf(node, kDirectoryShape, page));
    EXPECT_EQ(page[0], 3);
    EXPECT_EQ(page[12] | (page[13] << 8), 488);
    EXPECT_EQ(page[23], 3);
}

TEST(CdxLeafTest, DuplicateAndTrailingCountsCompressKeys) {
    HKeyShape shape{20, HKeyKind::Machine};
    HCdxNode node;
    node.widths = LeafWidths(20, 100);
    node.entries = {{"SMITH", 1, 0}, {"SMITH", 2, 0}, {"SMITHSON", 3, 0}, {"SMYTH", 4, 0}};
    HCdxPage page;
    ASSERT_TRUE(EncodeLeaf(node, shape, page));
    // stored bytes: SMITH (5) + "" + SON (3) + YTH (3)
    EXPECT_EQ(page[12] | (page[13] << 8), 488 - 4 * 3 - 11);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&page[512 - 11]), 11), "YTHSONSMITH");
    HCdxNode back;
    ASSERT_TRUE(DecodeNode(page, shape, "X", back).ok());
    ASSERT_EQ(back.entries.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(back.entries[i].key, node.entries[i].key);
        EXPECT_EQ(back.entries[i].record, node.entries[i].record);
    }
}

TEST(CdxLeafTest, GeneralKeysLoseAndRegainHighNibble) {
    HKeyShape shape{20, HKeyKind::General};
    HCdxNode node;
    node.widths = LeafWidths(20, 10);
    const std::string e = GeneralKeyForm("\xC9\xC9", 20);  // 66 66 F1 F1
    const std::string e2 = GeneralKeyForm("\xC9\xC9\xC9", 20);
    node.entries = {{e, 1, 0}, {e2, 2, 0}};
    HCdxPage page;
    ASSERT_TRUE(EncodeLeaf(node, shape, page));
    // First key stored at the end of the area: 66 66 01 01.
    EXPECT_EQ(page[508], 0x66);
    EXPECT_EQ(page[510], 0x01);
    EXPECT_EQ(page[511], 0x01);
    HCdxNode back;
    ASSERT_TRUE(DecodeNode(page, shape, "X", back).ok());
    EXPECT_EQ(back.entries[0].key, e);
    EXPECT_EQ(back.entries[1].key, e2);
}

TEST(CdxLeafTest, NumericKeysStoreTrailingZerosAsTrailingCount) {
    HKeyShape shape{8, HKeyKind::Numeric};
    HCdxNode node;
    node.widths = LeafWidths(8, 10);
    node.entries = {{NumericKeyForm(1.0), 1, 0}, {NumericKeyForm(2.0), 2, 0}};
    HCdxPage page;
    ASSERT_TRUE(EncodeLeaf(node, shape, page));
    EXPECT_EQ(page[12] | (page[13] << 8), 488 - 3 - 2 - 3 - 1);  // BF F0, then C0
    HCdxNode back;
    ASSERT_TRUE(DecodeNode(page, shape, "X", back).ok());
    EXPECT_EQ(CompareKeys(back.entries[0].key, NumericKeyForm(1.0), 0), 0);
    EXPECT_EQ(CompareKeys(back.entries[1].key, NumericKeyForm(2.0), 0), 0);
}

TEST(CdxLeafTest, RefusesEntriesThatDoNotFit) {
    HKeyShape shape{100, HKeyKind::Machine};
    HCdxNode node;
    node.widths = LeafWidths(100, 10);
    for (int i = 0; i < 5; ++i) node.entries.push_back({std::string(100, char('A' + i)), 1, 0});
    HCdxPage page;
    EXPECT_FALSE(EncodeLeaf(node, shape, page));
}

TEST(CdxInteriorTest, RoundTripWithBigEndianRecordAndChild) {
    HKeyShape shape{10, HKeyKind::Machine};
    HCdxNode node;
    node.attributes = cdx::kAttrInteriorRoot;
    node.entries = {{"ABC", 0x01020304, 0x600}, {"XYZ", 7, 0xA00}};
    HCdxPage page;
    ASSERT_TRUE(EncodeInterior(node, shape, false, page));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&page[12]), 10), "ABC       ");
    EXPECT_EQ(page[22], 0x01);
    EXPECT_EQ(page[25], 0x04);
    EXPECT_EQ(page[28], 0x06);
    EXPECT_EQ(page[12 + 36], 0);
    HCdxNode back;
    ASSERT_TRUE(DecodeNode(page, shape, "X", back).ok());
    ASSERT_EQ(back.entries.size(), 2u);
    EXPECT_EQ(back.entries[0].key, "ABC");
    EXPECT_EQ(back.entries[0].record, 0x01020304u);
    EXPECT_EQ(back.entries[1].child, 0xA00u);
    ASSERT_TRUE(EncodeInterior(node, shape, true, page));
    EXPECT_EQ(page[511], 0x20);
}

TEST(CdxInteriorTest, MaxKeysPerInteriorNode) {
    EXPECT_EQ(MaxInteriorKeys(10), 27);
    EXPECT_EQ(MaxInteriorKeys(142), 3);
    EXPECT_EQ(MaxInteriorKeys(240), 2);
    EXPECT_EQ(MaxInteriorKeys(8), 31);
}

// Broken node pages: each must decode as damaged, never crash.
TEST(CdxNodeDamageTest, BrokenPagesAreReportedDamaged) {
    struct Case {
        const char* what;
        int offset;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"attributes 4", 0, {4, 0}},
        {"leaf count beyond area", 2, {200, 0}},
        {"bytes per entry 2", 23, {2}},
        {"bytes per entry 9", 23, {9}},
        {"dup bits 9", 21, {9}},
        {"mask disagrees with bits", 18, {0x07}},
        {"record mask wider than its bits", 14, {0xFF, 0xFF, 0x01, 0x00}},
        {"trailing count beyond key", 0x1A, {0xF0}},
        {"first key claims duplicates", 0x1A, {0x08}},
        {"second key stored bytes overflow", 2, {90, 0}},
    };
    for (const Case& c : cases) {
        HCdxPage page = DocExamplePage();
        std::memcpy(&page[c.offset], c.bytes.data(), c.bytes.size());
        HCdxNode node;
        HStatus st = DecodeNode(page, kDirectoryShape, "BROKEN.CDX", node);
        EXPECT_EQ(st.code, 2112) << c.what;
        EXPECT_EQ(st.subCode, -7) << c.what;
        EXPECT_EQ(st.text, "BROKEN.CDX") << c.what;
    }
    HCdxPage interior{};
    interior[0] = 1;
    interior[2] = 28;  // 28 entries of 18 bytes do not fit in 500
    HCdxNode node;
    EXPECT_EQ(DecodeNode(interior, kDirectoryShape, "X", node).code, 2112);
}

TEST(CdxNodeDamageTest, RandomPagesNeverCrash) {
    std::mt19937 rng(42);
    const HKeyShape shapes[] = {{10, HKeyKind::Machine},
                                {142, HKeyKind::General},
                                {8, HKeyKind::Numeric},
                                {240, HKeyKind::Machine}};
    int decoded = 0;
    for (int round = 0; round < 20000; ++round) {
        HCdxPage page = DocExamplePage();
        const int flips = 1 + static_cast<int>(rng() % 8);
        for (int i = 0; i < flips; ++i) page[rng() % 64] = static_cast<uint8_t>(rng());
        if (round % 2) page[rng() % 512] = static_cast<uint8_t>(rng());
        HCdxNode node;
        HStatus st = DecodeNode(page, shapes[round % 4], "X", node);
        if (st.ok()) {
            ++decoded;
            for (const HCdxEntry& e : node.entries)
                EXPECT_LE(e.key.size(), static_cast<size_t>(shapes[round % 4].keyLength));
        }
    }
    EXPECT_GT(decoded, 0);
}

TEST(CdxTagHeaderTest, EncodesAllFields) {
    HCdxTagHeader h;
    h.root = 0xC00;
    h.keyLength = 142;
    h.options = TagOptions(false, false, false);
    h.general = true;
    h.keyExpression = "RTYPE-UPPER(NAME)";
    auto b = EncodeTagHeader(h);
    EXPECT_EQ(b[0], 0x00);
    EXPECT_EQ(b[1], 0x0C);
    EXPECT_EQ(b[12], 142);
    EXPECT_EQ(b[14], 0x60);
    EXPECT_EQ(b[15], 0x02);
    EXPECT_EQ(std::memcmp(&b[494], "GENERAL\0", 8), 0);
    EXPECT_EQ(b[502], 0);
    EXPECT_EQ(b[504], 18);
    EXPECT_EQ(b[506], 1);
    EXPECT_EQ(b[510], 18);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&b[512])), "RTYPE-UPPER(NAME)");
    EXPECT_EQ(b[512 + 17], 0);
}

TEST(CdxTagHeaderTest, DirectoryHeaderHasNoCollationName) {
    HCdxTagHeader h;
    h.root = 1024;
    h.keyLength = 10;
    h.options = TagOptions(true, false, false);
    h.general = true;
    auto b = EncodeTagHeader(h);
    EXPECT_EQ(b[14], 0xE0);
    EXPECT_EQ(b[15], 0x01);
    EXPECT_EQ(b[494], 0);
    EXPECT_EQ(b[504], 1);
    EXPECT_EQ(b[510], 1);
}

TEST(CdxTagHeaderTest, RoundTripWithForExpressionAndDescending) {
    HCdxTagHeader h;
    h.root = 2048;
    h.keyLength = 20;
    h.options = TagOptions(false, true, true);
    h.descending = true;
    h.keyExpression = "POINTER";
    h.forExpression = "DELETED()";
    auto b = EncodeTagHeader(h);
    EXPECT_EQ(b[14], 0x69);
    EXPECT_EQ(b[502], 1);
    EXPECT_EQ(b[506], 10);
    HCdxTagHeader back;
    ASSERT_TRUE(DecodeTagHeader(b.data(), 4096, "X", back).ok());
    EXPECT_EQ(back.root, 2048u);
    EXPECT_EQ(back.keyLength, 20);
    EXPECT_TRUE(back.Unique());
    EXPECT_TRUE(back.descending);
    EXPECT_FALSE(back.general);
    EXPECT_EQ(back.keyExpression, "POINTER");
    EXPECT_EQ(back.forExpression, "DELETED()");
}

TEST(CdxTagHeaderTest, BrokenHeadersAreRejected) {
    HCdxTagHeader h;
    h.root = 2048;
    h.keyLength = 20;
    h.keyExpression = "POINTER";
    struct Case {
        const char* what;
        uint32_t root;
        uint16_t keyLength;
        std::string expression;
        uint64_t fileSize;
    };
    const Case cases[] = {
        {"root zero", 0, 20, "POINTER", 4096},
        {"root misaligned", 2050, 20, "POINTER", 4096},
        {"root beyond end", 4096, 20, "POINTER", 4096},
        {"key length 241", 2048, 241, "POINTER", 4096},
        {"key length 0", 2048, 0, "POINTER", 4096},
        {"empty expression", 2048, 20, "", 4096},
    };
    for (const Case& c : cases) {
        h.root = c.root;
        h.keyLength = c.keyLength;
        h.keyExpression = c.expression;
        auto b = EncodeTagHeader(h);
        HCdxTagHeader back;
        HStatus st = DecodeTagHeader(b.data(), c.fileSize, "I.CDX", back);
        EXPECT_EQ(st.code, 2112) << c.what;
        EXPECT_EQ(st.text, "I.CDX") << c.what;
    }
}

TEST(CdxTagHeaderTest, ExpressionWithoutNulIsBoundedByPage) {
    std::array<uint8_t, 1024> b{};
    b[1] = 0x04;  // root 1024
    b[12] = 10;
    std::memset(&b[512], 'A', 512);
    HCdxTagHeader back;
    ASSERT_TRUE(DecodeTagHeader(b.data(), 2048, "X", back).ok());
    EXPECT_EQ(back.keyExpression.size(), 512u);
}

}  // namespace
