// Files written by the index writer, read back by an independent reader of the format
// (Perl's XBase::Index, used as a black box). Skipped when Perl or the module is missing.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "table/CdxNode.h"
#include "table/CdxTag.h"
#include "table/IndexWriter.h"

#include <gtest/gtest.h>

namespace {

// An index file in memory: pages taken from the end, written in place.
class FileImage : public HCdxPageStore {
public:
    HStatus ReadPage(uint32_t offset, HCdxPage* page) override {
        std::copy(bytes.begin() + offset, bytes.begin() + offset + cdx::kPageSize, page->begin());
        return HStatus::Ok();
    }
    uint64_t FileSize() override { return bytes.size(); }
    HStatus AllocatePage(uint32_t* offset) override {
        *offset = static_cast<uint32_t>(bytes.size());
        bytes.resize(bytes.size() + cdx::kPageSize, 0);
        return HStatus::Ok();
    }
    HStatus WritePage(uint32_t offset, const HCdxPage& page) override {
        std::copy(page.begin(), page.end(), bytes.begin() + offset);
        return HStatus::Ok();
    }
    void Put(uint32_t offset, const uint8_t* data, size_t n) {
        std::copy(data, data + n, bytes.begin() + offset);
    }
    std::vector<uint8_t> bytes;
};

bool PerlOracleAvailable() { return std::system("perl -MXBase::Index -e 1 >/dev/null 2>&1") == 0; }

class IndexOracleTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PerlOracleAvailable()) GTEST_SKIP() << "perl XBase::Index not installed";
        char tmpl[] = "/tmp/index_oracle_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        if (dir_.empty()) return;
        if (getenv("KEEP_ORACLE_FILES")) return;
        std::remove((dir_ + "/T.CDX").c_str());
        std::remove((dir_ + "/read.pl").c_str());
        rmdir(dir_.c_str());
    }

    // A complete index file: directory at 0 with one tag `name`, whose header follows at 1536.
    // `update`, when given, then changes the tag through HCdxTag before the file is written.
    std::string WriteIndex(const std::string& name, const std::string& expression,
                           const std::vector<std::string>& keys, const HKeyShape& shape,
                           const std::function<void(HCdxTag&)>& update = {}) {
        FileImage file;
        uint32_t page = 0;
        file.AllocatePage(&page);  // directory header
        file.AllocatePage(&page);
        file.AllocatePage(&page);  // directory root leaf
        file.AllocatePage(&page);  // tag header
        file.AllocatePage(&page);
        HTagBuildParams params;
        params.shape = shape;
        params.recordCount = static_cast<uint32_t>(keys.size());
        params.largestRecord = params.recordCount;
        params.sorter.directory = dir_;
        params.sorter.maxItems = 600;
        uint32_t root = 0;
        HStatus st = BuildTag(
            params,
            [&](uint32_t r, std::string* key) {
                *key = ToIndexForm(keys[r - 1], shape);
                return true;
            },
            file, nullptr, &root);
        EXPECT_TRUE(st.ok());
        HCdxTagHeader tag;
        tag.root = root;
        tag.keyLength = static_cast<uint16_t>(shape.keyLength);
        tag.options = TagOptions(false, false, false);
        tag.keyExpression = expression;
        auto tagBytes = EncodeTagHeader(tag);
        file.Put(1536, tagBytes.data(), tagBytes.size());
        if (update) {
            HCdxTag tagObject(file, 1536, shape, false, "T.CDX");
            update(tagObject);
        }

        HCdxNode dir;
        dir.widths = LeafWidths(10, static_cast<uint32_t>(file.bytes.size()));
        dir.entries = {{name, 1536, 0}};
        HCdxPage dirPage;
        EXPECT_TRUE(EncodeLeaf(dir, {10, HKeyKind::Machine}, dirPage));
        file.WritePage(1024, dirPage);
        HCdxTagHeader dirHeader;
        dirHeader.root = 1024;
        dirHeader.keyLength = 10;
        dirHeader.options = TagOptions(true, false, false);
        auto dirBytes = EncodeTagHeader(dirHeader);
        file.Put(0, dirBytes.data(), dirBytes.size());

        const std::string path = dir_ + "/T.CDX";
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.bytes.data()),
                  static_cast<std::streamsize>(file.bytes.size()));
        return path;
    }

    // "key<TAB>record" lines as the oracle reads them.
    std::vector<std::string> ReadWithOracle(const std::string& path, const std::string& tag,
                                            const std::string& type) {
        const std::string script = dir_ + "/read.pl";
        std::ofstream(script) << "use XBase::Index;\n"
                                 "my $i = XBase::Index->new($ARGV[0], 'tag' => $ARGV[1],\n"
                                 "  'type' => $ARGV[2]) or die XBase::Index->errstr;\n"
                                 "$i->prepare_select;\n"
                                 "while (my ($k, $v) = $i->fetch) { print \"$k\\t$v\\n\"; }\n";
        std::vector<std::string> lines;
        FILE* p =
            popen(("perl " + script + " " + path + " " + tag + " " + type + " 2>&1").c_str(), "r");
        if (!p) return lines;
        char buf[1024];
        while (fgets(buf, sizeof buf, p)) {
            std::string line(buf);
            if (!line.empty() && line.back() == '\n') line.pop_back();
            lines.push_back(line);
        }
        pclose(p);
        return lines;
    }

    std::string dir_;
};

TEST_F(IndexOracleTest, MachineTagReadsBackInOrder) {
    std::mt19937 rng(8);
    std::vector<std::string> keys;
    for (int i = 0; i < 3000; ++i) {
        std::string k = "P" + std::to_string(rng() % 700);
        k.resize(20, ' ');
        keys.push_back(k);
    }
    const std::string path = WriteIndex("POINTER", "POINTER", keys, {20, HKeyKind::Machine});
    std::multimap<std::string, uint32_t> model;
    for (uint32_t r = 1; r <= keys.size(); ++r) model.emplace(MachineKeyForm(keys[r - 1], 20), r);
    std::vector<std::string> want;
    for (const auto& [k, r] : model) want.push_back(k + "\t" + std::to_string(r));
    std::vector<std::string> got = ReadWithOracle(path, "POINTER", "char");
    ASSERT_EQ(got.size(), want.size()) << (got.empty() ? "" : got[0]);
    EXPECT_EQ(got, want);
}

TEST_F(IndexOracleTest, NumericTagReadsBackInValueOrder) {
    std::mt19937 rng(3);
    std::vector<std::string> values;
    for (int i = 0; i < 2000; ++i)
        values.push_back(std::to_string(static_cast<int>(rng() % 20000) - 10000));
    const std::string path = WriteIndex("OFFSET", "OFFSET", values, {8, HKeyKind::Numeric});
    std::multimap<long, uint32_t> model;
    for (uint32_t r = 1; r <= values.size(); ++r) model.emplace(std::stol(values[r - 1]), r);
    std::vector<std::string> want;
    for (const auto& [v, r] : model) want.push_back(std::to_string(v) + "\t" + std::to_string(r));
    std::vector<std::string> got = ReadWithOracle(path, "OFFSET", "N");
    ASSERT_EQ(got.size(), want.size()) << (got.empty() ? "" : got[0]);
    EXPECT_EQ(got, want);
}

TEST_F(IndexOracleTest, TagGrownByInsertionsAndDeletionsReadsBackInOrder) {
    std::mt19937 rng(21);
    std::multimap<std::string, uint32_t> model;
    auto randomKey = [&rng]() {
        std::string k = "P" + std::to_string(rng() % 900);
        k.resize(20, ' ');
        return k;
    };
    const std::string path =
        WriteIndex("POINTER", "POINTER", {}, {20, HKeyKind::Machine}, [&](HCdxTag& tag) {
            for (uint32_t r = 1; r <= 4000; ++r) {
                const std::string key = MachineKeyForm(randomKey(), 20);
                ASSERT_TRUE(tag.Insert(key, r, 4000, false).ok());
                model.emplace(key, r);
            }
            for (int i = 0; i < 1500; ++i) {
                auto it = model.begin();
                std::advance(it, rng() % model.size());
                bool found = false;
                ASSERT_TRUE(tag.Delete(it->first, it->second, 4000, &found).ok());
                ASSERT_TRUE(found);
                model.erase(it);
            }
        });
    std::vector<std::string> want;
    for (const auto& [k, r] : model) want.push_back(k + "\t" + std::to_string(r));
    std::vector<std::string> got = ReadWithOracle(path, "POINTER", "char");
    ASSERT_EQ(got.size(), want.size()) << (got.empty() ? "" : got[0]);
    EXPECT_EQ(got, want);
}

}  // namespace
