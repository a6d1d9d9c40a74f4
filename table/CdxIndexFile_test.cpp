#include "table/CdxIndexFile.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

class MemoryStore : public HCdxPageStore {
public:
    HStatus AllocatePage(uint32_t* offset) override {
        *offset = static_cast<uint32_t>(bytes.size());
        bytes.resize(bytes.size() + cdx::kPageSize, 0);
        return HStatus::Ok();
    }
    HStatus WritePage(uint32_t offset, const HCdxPage& page) override {
        std::memcpy(&bytes[offset], page.data(), page.size());
        return HStatus::Ok();
    }
    HStatus ReadPage(uint32_t offset, HCdxPage* page) override {
        if (offset + page->size() > bytes.size()) return HStatus::Error(221, 1101, "short");
        std::memcpy(page->data(), &bytes[offset], page->size());
        return HStatus::Ok();
    }
    uint64_t FileSize() override { return bytes.size(); }
    std::vector<uint8_t> bytes;
};

// A lookup table in memory: RTYPE C1, NAME C70, POINTER C20, OFFSET N10.
class LookupTable : public HKeySource {
public:
    struct Row {
        std::string rtype, name, pointer;
        double offset;
    };
    std::vector<Row> rows;
    size_t current = 0;  // index into rows
    std::vector<std::string> errors;

    int FieldCount() const override { return 4; }
    std::string FieldName(int f) const override {
        static const char* names[] = {"RTYPE", "NAME", "POINTER", "OFFSET"};
        return names[f];
    }
    char FieldType(int f) const override { return f == 3 ? 'N' : 'C'; }
    int FieldWidth(int f) const override {
        static const int widths[] = {1, 70, 20, 10};
        return widths[f];
    }
    int FieldDecimals(int) const override { return 0; }
    std::string FieldBytes(int f) const override {
        const Row& r = rows[current];
        std::string v = f == 0 ? r.rtype : f == 1 ? r.name : f == 2 ? r.pointer : "";
        v.resize(FieldWidth(f), ' ');
        return v;
    }
    double FieldNumber(int f) const override { return f == 3 ? rows[current].offset : 0; }
    bool FieldChanged(int) const override { return false; }
    int32_t RecordNumber() const override { return static_cast<int32_t>(current + 1); }
    bool RecordDeleted() const override { return false; }
    std::string FormatDate(const std::string& ymd) const override { return ymd; }
    void ReportError(int, int, const std::string& text) override { errors.push_back(text); }

    HCdxIndexFile::TableAccess Access() {
        HCdxIndexFile::TableAccess a;
        a.source = this;
        a.recordCount = static_cast<uint32_t>(rows.size());
        a.readRecord = [this](uint32_t r) {
            current = r - 1;
            return true;
        };
        return a;
    }
};

std::vector<std::pair<std::string, uint32_t>> Scan(MemoryStore& store,
                                                   const HCdxIndexFile::TagInfo& info,
                                                   HKeyKind kind) {
    HCdxTag tag(store, info.headerOffset, {info.header.keyLength, kind}, info.header.descending,
                "T");
    std::vector<std::pair<std::string, uint32_t>> out;
    for (uint32_t r = tag.GoTop(); r != 0; r = tag.Next()) out.emplace_back(tag.CurrentKey(), r);
    return out;
}

std::vector<uint8_t> ReadHexText(const std::string& path) {
    std::ifstream in(path);
    std::vector<uint8_t> out;
    size_t pos = 0;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
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

class CdxIndexFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        table_.rows = {{"I", "Smith, John", "@I2@", 10},
                       {"I", "Adams, Ann", "@I1@", 20},
                       {"F", "Smith", "@I1@", 30}};
        table_.current = 0;
    }
    MemoryStore store_;
    LookupTable table_;
};

TEST_F(CdxIndexFileTest, NewFileIsDirectoryHeaderAndEmptyRootLeaf) {
    HCdxIndexFile file(store_, "L.CDX");
    ASSERT_TRUE(file.CreateEmpty().ok());
    ASSERT_EQ(store_.bytes.size(), 1536u);
    EXPECT_EQ(store_.bytes[0], 0x00);
    EXPECT_EQ(store_.bytes[1], 0x04);
    EXPECT_EQ(store_.bytes[12], 10);
    EXPECT_EQ(store_.bytes[14], 0xE0);
    EXPECT_EQ(store_.bytes[15], 0x01);
    EXPECT_EQ(store_.bytes[1024], 3);
    EXPECT_EQ(store_.bytes[1024 + 12] | (store_.bytes[1024 + 13] << 8), 488);
    EXPECT_EQ(store_.bytes[1024 + 23], 3);
    ASSERT_TRUE(file.Load().ok());
    EXPECT_TRUE(file.Tags().empty());
}

TEST_F(CdxIndexFileTest, AddTagWritesTheHandBuiltGoldenFile) {
    HCdxIndexFile file(store_, "L.CDX");
    ASSERT_TRUE(file.CreateEmpty().ok());
    ASSERT_TRUE(file.AddTag("pointer", "POINTER", "", false, 0, table_.Access()).ok());
    const std::vector<uint8_t> golden =
        ReadHexText(std::string(LINEATUM_TABLE_TESTDATA) + "/pointer_tag.cdx.hex.txt");
    ASSERT_EQ(store_.bytes.size(), golden.size());
    for (size_t i = 0; i < golden.size(); ++i)
        ASSERT_EQ(store_.bytes[i], golden[i]) << "offset " << std::hex << i;
}

TEST_F(CdxIndexFileTest, GeneralCollationTagOfTheLookupTable) {
    HCdxIndexFile file(store_, "L.CDX");
    ASSERT_TRUE(file.CreateEmpty().ok());
    ASSERT_TRUE(file.AddTag("NAME", "RTYPE-UPPER(NAME)", "", false, 7, table_.Access()).ok());
    ASSERT_TRUE(file.AddTag("POINTER", "POINTER", "", false, 7, table_.Access()).ok());
    ASSERT_EQ(file.Tags().size(), 2u);
    const HCdxIndexFile::TagInfo* name = file.FindTag("name");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->header.keyLength, 142);
    EXPECT_TRUE(name->header.general);
    EXPECT_EQ(store_.bytes[name->headerOffset + 15], 0x02);
    EXPECT_EQ(std::memcmp(&store_.bytes[name->headerOffset + 494], "GENERAL", 8), 0);
    EXPECT_EQ(file.FindTag("POINTER")->header.keyLength, 40);
    auto keys = Scan(store_, *name, HKeyKind::General);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].second, 3u);  // F before I
    EXPECT_EQ(keys[1].second, 2u);  // Adams before Smith
    EXPECT_EQ(keys[2].second, 1u);
}

TEST_F(CdxIndexFileTest, AddingATagUnderAnExistingNameReplacesTheEntry) {
    HCdxIndexFile file(store_, "L.CDX");
    ASSERT_TRUE(file.CreateEmpty().ok());
    ASSERT_TRUE(file.AddTag("POINTER", "POINTER", "", false, 0, table_.Access()).ok());
    const uint32_t first = file.FindTag("POINTER")->headerOffset;
    const size_t size = store_.bytes.size();
    ASSERT_TRUE(file.AddTag("POINTER", "UPPER(NAME)", "", false, 0, table_.Access()).ok());
    ASSERT_EQ(file.Tags().size(), 1u);
    EXPECT_GT(file.FindTag("POINTER")->headerOffset, first);
    EXPECT_GT(store_.bytes.size(), size);  // the old pages stay
    EXPECT_EQ(file.FindTag("POINTER")->header.keyExpression, "UPPER(NAME)");
}

TEST_F(CdxIndexFileTest, BadTagNameIsTagFieldIsEmpty) {
    HCdxIndexFile file(store_, "L.CDX");
    ASSERT_TRUE(file.CreateEmpty().ok());
    HStatus st = file.AddTag("", "POINTER", "", false, 0, table_.Access());
    EXPECT_EQ(st.code, 5117);
    EXPECT_EQ(st.subCode, 5114);
    EXPECT_EQ(file.AddTag(std::string(32, 'A'), "POINTER", "", false, 0, table_.Access()).code,
              5117);
    EXPECT_EQ(store_.bytes.size(), 1536u);
}

TEST_F(CdxIndexFileTest, UnevaluableKeyCreatesNothingAndKeepsTheOldTag) {
    HCdxIndexFile file(store_, "L.CDX");
    ASSERT_TRUE(file.CreateEmpty().ok());
    ASSERT_TRUE(file.AddTag("POINTER", "POINTER", "", false, 0, table_.Access()).ok());
    const size_t size = store_.bytes.size();
    HStatus st = file.AddTag("POINTER", "NOSUCH", "", false, 0, table_.Access());
    EXPECT_EQ(st.code, 1006);
    EXPECT_EQ(st.subCode, 5212);
    EXPECT_EQ(store_.bytes.size(), size);
    ASSERT_NE(file.FindTag("POINTER"), nullptr);
    EXPECT_EQ(table_.errors, std::vector<std::string>{"NOSUCH"});
}

TEST_F(CdxIndexFileTest, ForExpressionAndDeleteTag) {
    HCdxIndexFile file(store_, "L.CDX");
    ASSERT_TRUE(file.CreateEmpty().ok());
    table_.rows[1].rtype = "F";
    ASSERT_TRUE(file.AddTag("PTR", "POINTER", "DELETED()", false, 0, table_.Access()).ok());
    ASSERT_TRUE(file.AddTag("ALL", "POINTER", ".NOT.DELETED()", false, 0, table_.Access()).ok());
    EXPECT_TRUE(Scan(store_, *file.FindTag("PTR"), HKeyKind::Machine).empty());
    EXPECT_EQ(Scan(store_, *file.FindTag("ALL"), HKeyKind::Machine).size(), 3u);
    EXPECT_EQ(file.Tags()[0].name, "ALL");  // directory order
    bool found = false;
    ASSERT_TRUE(file.DeleteTag("ptr", &found).ok());
    EXPECT_TRUE(found);
    ASSERT_EQ(file.Tags().size(), 1u);
    HCdxIndexFile again(store_, "L.CDX");
    ASSERT_TRUE(again.Load().ok());
    ASSERT_EQ(again.Tags().size(), 1u);
    EXPECT_EQ(again.Tags()[0].header.forExpression, ".NOT.DELETED()");
}

TEST_F(CdxIndexFileTest, NumericKeyGetsEightBytes) {
    HCdxIndexFile file(store_, "L.CDX");
    ASSERT_TRUE(file.CreateEmpty().ok());
    ASSERT_TRUE(file.AddTag("OFFSET", "OFFSET", "", false, 1, table_.Access()).ok());
    const HCdxIndexFile::TagInfo* info = file.FindTag("OFFSET");
    EXPECT_EQ(info->header.keyLength, 8);
    EXPECT_TRUE(info->header.descending);
    auto keys = Scan(store_, *info, HKeyKind::Numeric);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].second, 3u);  // descending: 30, 20, 10
    EXPECT_EQ(keys[2].second, 1u);
}

TEST_F(CdxIndexFileTest, DamagedTagHeaderMakesTheFileDamaged) {
    HCdxIndexFile file(store_, "L.CDX");
    ASSERT_TRUE(file.CreateEmpty().ok());
    ASSERT_TRUE(file.AddTag("POINTER", "POINTER", "", false, 0, table_.Access()).ok());
    const uint32_t header = file.FindTag("POINTER")->headerOffset;
    store_.bytes[header + 12] = 241;  // key length above 240
    HCdxIndexFile again(store_, "L.CDX");
    HStatus st = again.Load();
    EXPECT_EQ(st.code, 2112);
    EXPECT_EQ(st.text, "L.CDX");
    EXPECT_TRUE(again.Tags().empty());
}

TEST_F(CdxIndexFileTest, ChangeCounterTellsAboutOtherWriters) {
    HCdxIndexFile file(store_, "L.CDX");
    ASSERT_TRUE(file.CreateEmpty().ok());
    HCdxIndexFile other(store_, "L.CDX");
    ASSERT_TRUE(other.Load().ok());
    EXPECT_FALSE(file.ChangedByAnotherUser());
    ASSERT_TRUE(other.BumpChangeCounter().ok());
    EXPECT_EQ(store_.bytes[8], 1);
    EXPECT_TRUE(file.ChangedByAnotherUser());
    EXPECT_FALSE(other.ChangedByAnotherUser());
}

}  // namespace
