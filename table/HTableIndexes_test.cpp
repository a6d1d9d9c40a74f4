// The index side of the table object on real files: tags built from a table and kept up to
// date by its writes, ordered movement, finds and ranges, rebuilding, damaged files, and the
// component's lookup-table flow. Orders are checked against a std::multimap model.
#include "table/HTableIndexes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "table/CdxFormat.h"
#include "table/DbfTestUtil.h"
#include "table/EZadarirError.h"
#include "table/HDBFTable.h"
#include "table/HTable.h"
#include "table/KeyCollation.h"

#include <gtest/gtest.h>

namespace {

using namespace testutil;

// Text and number joined (appending avoids a false -Wrestrict of GCC 12 on operator+).
std::string Cat(std::string text, long number) {
    text += std::to_string(number);
    return text;
}

class HTableIndexesTest : public testing::Test {
protected:
    struct Row {
        std::string rtype, name, pointer;
    };

    void TearDown() override { table_.Close(); }

    std::string Path() const { return dir_.File("T.DBF"); }
    std::string Cdx() const { return dir_.File("T.CDX"); }

    void Make(const std::vector<Row>& rows, const std::vector<bool>& deleted = {}) {
        std::vector<std::string> records;
        for (size_t i = 0; i < rows.size(); ++i) {
            records.push_back(
                BuildRecord(LookupFields(),
                            {rows[i].rtype, rows[i].name, rows[i].pointer, std::to_string(i + 1)},
                            i < deleted.size() && deleted[i]));
        }
        WriteFile(Path(), BuildTable(0x03, LookupFields(), records));
    }
    void Open(HOpenMode mode = {HFileAccess::ReadWrite, HFileShare::DenyNone}) {
        errors_.Attach(table_);
        ASSERT_TRUE(table_.Open(Path(), mode));
    }
    void Tags() {
        ASSERT_TRUE(table_.AddTag(Cdx(), "NAME", "RTYPE-UPPER(NAME)", "", 7, 1));
        ASSERT_TRUE(table_.AddTag(Cdx(), "POINTER", "POINTER", "", 7, 1));
    }
    // Record numbers in the controlling order, from the top.
    std::vector<int> Order() {
        std::vector<int> seen;
        if (!table_.Go(hmove::kTop)) return seen;
        while (true) {
            seen.push_back(table_.RecNo());
            table_.Skip(1);
            if (table_.Eof()) break;
        }
        return seen;
    }
    std::vector<int> Backwards() {
        std::vector<int> seen;
        if (!table_.Go(hmove::kBottom)) return seen;
        while (true) {
            seen.push_back(table_.RecNo());
            table_.Skip(-1);
            if (table_.Bof()) break;
        }
        return seen;
    }
    // The order a model of (key, record) pairs gives: by key, equal keys by record number.
    static std::vector<int> ModelOrder(const std::multimap<std::string, int>& model) {
        std::vector<int> order;
        for (auto it = model.begin(); it != model.end();) {
            const auto end = model.upper_bound(it->first);
            const size_t first = order.size();
            for (; it != end; ++it) order.push_back(it->second);
            std::sort(order.begin() + static_cast<long>(first), order.end());
        }
        return order;
    }
    std::string Field(const char* name) {
        std::string text = table_.FieldGet(name);
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text;
    }
    void Append(const Row& row) {
        table_.BlankRecord();
        table_.FieldPut("RTYPE", row.rtype);
        table_.FieldPut("NAME", row.name);
        table_.FieldPut("POINTER", row.pointer);
        ASSERT_TRUE(table_.AppendRecord());
    }

    TempDir dir_;
    HDBFTable table_;
    ErrorLog errors_;
};

// The NAME key of a lookup-table row in index form.
std::string NameKey(const std::string& rtype, const std::string& name) {
    std::string text = rtype + name;
    for (char& c : text) c = static_cast<char>(UpperTable()[static_cast<unsigned char>(c)]);
    return GeneralKeyForm(text, 142);
}
std::string PointerKey(const std::string& pointer) { return GeneralKeyForm(pointer, 40); }

std::string RandomName(std::mt19937& rng) {
    static const char* surnames[] = {"Smith",      "Brown", "Adams", "Miller", "Smythe",
                                     "\xC9tienne", "Eaton", "Frost", "Young",  "Ivanov"};
    static const char* given[] = {"John", "Ann", "Mary", "Paul", "Eve", "Adam"};
    return std::string(surnames[rng() % 10]) + ", " + given[rng() % 6];
}

// --- Building and finding ----------------------------------------------------------------

TEST_F(HTableIndexesTest, NewIndexFileGetsDirectoryAndTagsOfTheLookupTable) {
    Make({{"I", "Smith, John", "I1"}});
    Open();
    Tags();
    const std::string bytes = ReadFile(Cdx());
    EXPECT_EQ(static_cast<uint8_t>(bytes[14]), 0xE0);
    EXPECT_EQ(static_cast<uint8_t>(bytes[12]), 10);
    EXPECT_EQ(static_cast<uint8_t>(bytes[15]), 0x01);
    const HCdxIndexFile::TagInfo* name = nullptr;
    EXPECT_TRUE(table_.HasStructuralIndex());
    ASSERT_TRUE(table_.SetOrder("name"));
    EXPECT_EQ(table_.OrderName(), "NAME");
    (void)name;
    // NAME: key length 142, signature 2, "GENERAL"; POINTER: key length 40.
    size_t found = 0;
    for (size_t at = 1536; at + 1024 <= bytes.size(); at += 512) {
        if (bytes.compare(at + 512, 18, std::string("RTYPE-UPPER(NAME)\0", 18)) == 0) {
            EXPECT_EQ(static_cast<uint8_t>(bytes[at + 12]), 142);
            EXPECT_EQ(static_cast<uint8_t>(bytes[at + 15]), 0x02);
            EXPECT_EQ(bytes.compare(at + 494, 8, std::string("GENERAL\0", 8)), 0);
            ++found;
        }
        if (bytes.compare(at + 512, 8, std::string("POINTER\0", 8)) == 0) {
            EXPECT_EQ(static_cast<uint8_t>(bytes[at + 12]), 40);
            ++found;
        }
    }
    EXPECT_EQ(found, 2u);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(HTableIndexesTest, FindExactPartialAndNear) {
    Make({{"I", "Smith, John", "I1"},
          {"I", "Brown, Ann", "I2"},
          {"I", "Smith, Adam", "I3"},
          {"F", "Smith, Adam", "F1"}});
    Open();
    Tags();
    ASSERT_TRUE(table_.SetOrder("NAME"));
    EXPECT_TRUE(table_.Find("I"));
    EXPECT_EQ(table_.RecNo(), 2);
    EXPECT_TRUE(table_.Find("ISMI"));
    EXPECT_EQ(table_.RecNo(), 3);  // Smith, Adam: the first name that begins with SMI
    EXPECT_TRUE(table_.Find("ismith, john"));
    EXPECT_EQ(table_.RecNo(), 1);
    EXPECT_FALSE(table_.Find("IZZ"));
    EXPECT_TRUE(table_.Eof());
    table_.SetExactFind(true);
    EXPECT_FALSE(table_.Find("ISMI"));
    EXPECT_TRUE(table_.Find("ISMITH, JOHN"));
    table_.SetExactFind(false);
    table_.SetFindNear(true);
    EXPECT_FALSE(table_.Find("IC"));
    EXPECT_FALSE(table_.Eof());
    EXPECT_EQ(table_.RecNo(), 3);
    EXPECT_FALSE(table_.Find("IZZ"));  // past the last key: the end
    EXPECT_TRUE(table_.Eof());
    ASSERT_TRUE(table_.SetOrder("POINTER"));
    EXPECT_TRUE(table_.Find("I2"));
    EXPECT_EQ(table_.RecNo(), 2);
    EXPECT_TRUE(table_.Find("F1"));
    EXPECT_EQ(table_.RecNo(), 4);
    ASSERT_TRUE(table_.SetOrder(""));
    EXPECT_FALSE(table_.Find("I2"));
    EXPECT_TRUE(table_.Eof());
    EXPECT_TRUE(errors_.empty());
}

TEST_F(HTableIndexesTest, EqualKeysInRecordOrderAndAccentBetweenEAndF) {
    std::vector<Row> rows;
    for (int i = 1; i <= 12; ++i) rows.push_back({"I", "Same", "P"});
    rows.push_back({"I", "F", "P"});
    rows.push_back({"I", "\xC9", "P"});
    rows.push_back({"I", "E", "P"});
    Make(rows);
    Open();
    Tags();
    ASSERT_TRUE(table_.SetOrder("NAME"));
    EXPECT_EQ(Order(), (std::vector<int>{15, 14, 13, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    ASSERT_TRUE(table_.SetOrder("POINTER"));
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
}

TEST_F(HTableIndexesTest, RangeIToJKeepsExactlyTheIndividuals) {
    Make({{"F", "A", "F1"},
          {"I", "Young, Ann", "I1"},
          {"I", "Adams, Eve", "I2"},
          {"J", "X", "J1"},
          {"N", "A note", "N1"},
          {"I", "", "I3"}});
    Open();
    Tags();
    ASSERT_TRUE(table_.SetOrder("NAME"));
    table_.SetRange("I", "J");
    EXPECT_EQ(table_.RecNo(), 6);
    EXPECT_EQ(Order(), (std::vector<int>{6, 3, 2}));
    EXPECT_EQ(Backwards(), (std::vector<int>{2, 3, 6}));
    table_.SetRange("", "");
    EXPECT_EQ(Order(), (std::vector<int>{1, 6, 3, 2, 4, 5}));
    table_.SetRange("K", "M");  // nothing in range
    EXPECT_TRUE(table_.Eof());
    EXPECT_EQ(Field("NAME"), "");
}

TEST_F(HTableIndexesTest, NearFindsStayInsideTheRange) {
    Make({{"F", "A", "F1"},
          {"I", "Young, Ann", "I1"},
          {"I", "Adams, Eve", "I2"},
          {"I", "\x8Eizek, Jan", "I3"},  // Z caron weighs less than a blank
          {"I", "Wei\xDF, Rob", "I4"},   // so does the sharp s
          {"I", "Wei\xDF", "I5"},
          {"N", "A note", "N1"}});
    Open();
    Tags();
    ASSERT_TRUE(table_.SetOrder("NAME"));
    table_.SetRange("I", "J");
    // Keys that a longer key begins come first, as the build put them, and the range holds every
    // name, the one that begins with Z caron too.
    EXPECT_EQ(Order(), (std::vector<int>{4, 3, 6, 5, 2}));
    table_.SetFindNear(true);
    // A key below the range: the first name, not found.
    EXPECT_FALSE(table_.Find("F"));
    EXPECT_FALSE(table_.Eof());
    EXPECT_EQ(table_.RecNo(), 4);
    // Beyond the last name, where the note follows in the whole order: the end of the range.
    EXPECT_FALSE(table_.Find("IZZ"));
    EXPECT_TRUE(table_.Eof());
    // Sought as stored: a key ending in the sharp s, and one that another key begins.
    EXPECT_TRUE(table_.Find("IWEI\xDF, ROB"));
    EXPECT_EQ(table_.RecNo(), 5);
    table_.SetExactFind(true);
    EXPECT_TRUE(table_.Find("IWEI\xDF"));
    EXPECT_EQ(table_.RecNo(), 6);
    // Without near finds, a key below the range finds nothing, though the range starts with
    // the key "I".
    table_.SetFindNear(false);
    EXPECT_FALSE(table_.Find("F"));
    EXPECT_TRUE(table_.Eof());
}

TEST_F(HTableIndexesTest, DescendingAndMachineTagsAndDeletedRecords) {
    Make({{"I", "b", "P2"}, {"I", "a", "P1"}, {"I", "c", "P3"}}, {false, true, false});
    Open();
    ASSERT_TRUE(table_.AddTag(Cdx(), "DOWN", "NAME", "", 1, 1));
    ASSERT_TRUE(table_.AddTag(Cdx(), "UP", "NAME", "", 0, 1));
    ASSERT_TRUE(table_.SetOrder("DOWN"));
    EXPECT_EQ(Order(), (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(Backwards(), (std::vector<int>{2, 1, 3}));
    table_.SetUseDeleted(false);
    EXPECT_EQ(Order(), (std::vector<int>{3, 1}));
    ASSERT_TRUE(table_.SetOrder("UP"));
    EXPECT_EQ(Order(), (std::vector<int>{1, 3}));
    EXPECT_FALSE(table_.Find("a"));  // the only match is deleted
}

TEST_F(HTableIndexesTest, UniqueTagKeepsTheLowestRecordAndIgnoresLaterDuplicates) {
    Make({{"I", "b", "P"}, {"I", "a", "P"}, {"I", "b", "P"}});
    Open();
    ASSERT_TRUE(table_.AddTag(Cdx(), "U", "NAME", "", 0, 0));
    ASSERT_TRUE(table_.SetOrder("U"));
    EXPECT_EQ(Order(), (std::vector<int>{2, 1}));
    Append({"I", "a", "P"});
    Append({"I", "c", "P"});
    EXPECT_EQ(Order(), (std::vector<int>{2, 1, 5}));
}

TEST_F(HTableIndexesTest, ForExpressionKeepsOnlyMatchingRecords) {
    Make({{"I", "b", "P"}, {"F", "a", "P"}, {"I", "c", "P"}});
    Open();
    // A FOR expression of the language: a logical field, here built from DELETED().
    ASSERT_TRUE(table_.AddTag(Cdx(), "LIVE", "NAME", ".NOT.DELETED()", 0, 1));
    ASSERT_TRUE(table_.SetOrder("LIVE"));
    EXPECT_EQ(Order(), (std::vector<int>{2, 1, 3}));
    ASSERT_TRUE(table_.ReadRecord(1));
    ASSERT_TRUE(table_.DeleteRecord());
    // From a record the tag does not hold, the order goes on from where its key would be.
    ASSERT_TRUE(table_.Go(1));
    table_.Skip(1);
    EXPECT_EQ(table_.RecNo(), 3);
    ASSERT_TRUE(table_.Go(1));
    table_.Skip(-1);
    EXPECT_EQ(table_.RecNo(), 2);
    EXPECT_EQ(Order(), (std::vector<int>{2, 3}));
    ASSERT_TRUE(table_.ReadRecord(1));
    ASSERT_TRUE(table_.RecallRecord());
    EXPECT_EQ(Order(), (std::vector<int>{2, 1, 3}));
}

// --- Updates against a model -------------------------------------------------------------

TEST_F(HTableIndexesTest, AppendsReplacesAndDeletesKeepBothTagsLikeTheModel) {
    Make({});
    Open();
    Tags();
    std::mt19937 rng(5);
    std::multimap<std::string, int> names, pointers;
    std::vector<Row> rows;
    auto erase = [](std::multimap<std::string, int>& model, const std::string& key, int r) {
        for (auto it = model.lower_bound(key); it != model.end() && it->first == key; ++it) {
            if (it->second == r) {
                model.erase(it);
                return;
            }
        }
        FAIL() << "missing " << r;
    };
    for (int step = 0; step < 1500; ++step) {
        if (rows.empty() || rng() % 3 != 0) {
            Row row{rng() % 4 ? "I" : "F", RandomName(rng), Cat("P", rng() % 500)};
            Append(row);
            rows.push_back(row);
            const int r = static_cast<int>(rows.size());
            ASSERT_EQ(table_.RecNo(), r);
            names.emplace(NameKey(row.rtype, row.name), r);
            pointers.emplace(PointerKey(row.pointer), r);
        } else {
            const int r = 1 + static_cast<int>(rng() % rows.size());
            ASSERT_TRUE(table_.ReadRecord(r));
            Row& row = rows[static_cast<size_t>(r - 1)];
            if (rng() % 2) {
                erase(names, NameKey(row.rtype, row.name), r);
                row.name = RandomName(rng);
                names.emplace(NameKey(row.rtype, row.name), r);
                table_.FieldPut("NAME", row.name);
            } else {
                erase(pointers, PointerKey(row.pointer), r);
                row.pointer = Cat("Q", rng() % 500);
                pointers.emplace(PointerKey(row.pointer), r);
                table_.FieldPut("POINTER", row.pointer);
            }
            ASSERT_TRUE(table_.ReplaceRecord(r));
        }
    }
    ASSERT_TRUE(table_.SetOrder("NAME"));
    const std::vector<int> nameOrder = ModelOrder(names);
    EXPECT_EQ(Order(), nameOrder);
    std::vector<int> reversed(nameOrder.rbegin(), nameOrder.rend());
    EXPECT_EQ(Backwards(), reversed);
    ASSERT_TRUE(table_.SetOrder("POINTER"));
    EXPECT_EQ(Order(), ModelOrder(pointers));
    for (int i = 0; i < 200; ++i) {
        const Row& row = rows[rng() % rows.size()];
        ASSERT_TRUE(table_.Find(row.pointer)) << row.pointer;
        EXPECT_EQ(Field("POINTER"), row.pointer);
    }
    EXPECT_TRUE(errors_.empty());

    // The tags grown one key at a time hold the order a fresh build gives.
    ASSERT_TRUE(table_.Reindex());
    ASSERT_TRUE(table_.SetOrder("NAME"));
    EXPECT_EQ(Order(), nameOrder);
    ASSERT_TRUE(table_.SetOrder("POINTER"));
    EXPECT_EQ(Order(), ModelOrder(pointers));
}

TEST_F(HTableIndexesTest, TagBuiltFromTheTableEqualsTagGrownByAppends) {
    std::mt19937 rng(11);
    std::vector<Row> rows;
    for (int i = 0; i < 3000; ++i) rows.push_back({"I", RandomName(rng), Cat("P", rng() % 100)});
    Make(rows);
    Open();
    Tags();
    ASSERT_TRUE(table_.SetOrder("NAME"));
    const std::vector<int> built = Order();
    ASSERT_TRUE(table_.SetOrder("POINTER"));
    const std::vector<int> builtPointers = Order();
    table_.Close();

    Make({});
    HDBFTable grown;
    ErrorLog log;
    log.Attach(grown);
    ASSERT_TRUE(grown.Open(Path(), {HFileAccess::ReadWrite, HFileShare::DenyNone}));
    ASSERT_TRUE(grown.AddTag(dir_.File("G.CDX"), "NAME", "RTYPE-UPPER(NAME)", "", 7, 1));
    ASSERT_TRUE(grown.AddTag(dir_.File("G.CDX"), "POINTER", "POINTER", "", 7, 1));
    for (const Row& row : rows) {
        grown.BlankRecord();
        grown.FieldPut("RTYPE", row.rtype);
        grown.FieldPut("NAME", row.name);
        grown.FieldPut("POINTER", row.pointer);
        ASSERT_TRUE(grown.AppendRecord());
    }
    auto order = [&grown]() {
        std::vector<int> seen;
        for (bool ok = grown.Go(hmove::kTop); ok && !grown.Eof(); grown.Skip(1))
            seen.push_back(grown.RecNo());
        return seen;
    };
    ASSERT_TRUE(grown.SetOrder("NAME"));
    EXPECT_EQ(order(), built);
    ASSERT_TRUE(grown.SetOrder("POINTER"));
    EXPECT_EQ(order(), builtPointers);
    EXPECT_TRUE(log.empty());
}

TEST_F(HTableIndexesTest, ChangeCounterRisesWithEveryWrite) {
    Make({{"I", "a", "P"}});
    Open();
    Tags();
    auto counter = [this]() {
        const std::string bytes = ReadFile(Cdx());
        return DbfGet32(reinterpret_cast<const uint8_t*>(bytes.data()) + 8);
    };
    const uint32_t before = counter();
    Append({"I", "b", "Q"});
    ASSERT_TRUE(table_.ReadRecord(1));
    ASSERT_TRUE(table_.ReplaceRecord(1));
    EXPECT_EQ(counter(), before + 2);
}

TEST_F(HTableIndexesTest, ReplacedKeyMovesTheRecordInTheOrder) {
    Make({{"I", "a", "P1"}, {"I", "b", "P2"}, {"I", "c", "P3"}});
    Open();
    Tags();
    ASSERT_TRUE(table_.SetOrder("NAME"));
    ASSERT_TRUE(table_.Go(1));
    table_.FieldPut("NAME", "z");
    ASSERT_TRUE(table_.ReplaceRecord(1));
    EXPECT_TRUE(table_.LastWriteMovedRecord());
    // Next continues from the record just written, at its new place.
    table_.Skip(-1);
    EXPECT_EQ(table_.RecNo(), 3);
    EXPECT_EQ(Order(), (std::vector<int>{2, 3, 1}));
    ASSERT_TRUE(table_.Go(2));
    table_.FieldPut("OFFSET", "7");
    ASSERT_TRUE(table_.ReplaceRecord(2));
    EXPECT_FALSE(table_.LastWriteMovedRecord());
}

// --- Pack, reindex, delete tag -------------------------------------------------------------

TEST_F(HTableIndexesTest, PackRebuildsEveryTag) {
    Make({{"I", "d", "P1"}, {"I", "c", "P2"}, {"I", "b", "P3"}, {"I", "a", "P4"}},
         {false, true, false, true});
    Open();
    Tags();
    ASSERT_TRUE(table_.SetOrder("NAME"));
    ASSERT_TRUE(table_.Pack());
    EXPECT_EQ(table_.RecordCount(), 2);
    EXPECT_EQ(table_.OrderName(), "NAME");
    EXPECT_EQ(Order(), (std::vector<int>{2, 1}));
    ASSERT_TRUE(table_.SetOrder("POINTER"));
    EXPECT_EQ(Order(), (std::vector<int>{1, 2}));
    EXPECT_TRUE(table_.Find("P3"));
    EXPECT_EQ(table_.RecNo(), 2);
}

TEST_F(HTableIndexesTest, ReindexCutsTheFileBackAndRebuildsInDirectoryOrder) {
    Make({{"I", "b", "P1"}, {"I", "a", "P2"}});
    Open();
    Tags();
    ASSERT_TRUE(table_.AddTag(Cdx(), "NAME", "RTYPE-UPPER(NAME)", "", 7, 1));  // replaced
    const size_t grown = ReadFile(Cdx()).size();
    ASSERT_TRUE(table_.Reindex());
    const std::string bytes = ReadFile(Cdx());
    EXPECT_LT(bytes.size(), grown);
    // Directory (1536 bytes), then the NAME tag's header, then its root leaf, then POINTER.
    EXPECT_EQ(bytes.compare(1536 + 512, 18, std::string("RTYPE-UPPER(NAME)\0", 18)), 0);
    EXPECT_EQ(bytes.size(), 1536u + 2 * (1024 + 512));
    ASSERT_TRUE(table_.SetOrder("NAME"));
    EXPECT_EQ(Order(), (std::vector<int>{2, 1}));
}

TEST_F(HTableIndexesTest, DeletingTheLastTagResetsTheFile) {
    Make({{"I", "b", "P1"}});
    Open();
    Tags();
    ASSERT_TRUE(table_.SetOrder("NAME"));
    ASSERT_TRUE(table_.Indexes().DeleteTag("POINTER"));
    EXPECT_EQ(table_.OrderName(), "NAME");
    ASSERT_TRUE(table_.Indexes().DeleteTag("name"));
    EXPECT_EQ(ReadFile(Cdx()).size(), 1536u);
    EXPECT_FALSE(table_.Indexes().DeleteTag("NAME"));
}

// --- Opening -----------------------------------------------------------------------------

TEST_F(HTableIndexesTest, OnlyCompoundIndexFilesAreOpened) {
    Make({{"I", "b", "P1"}});
    Open();
    errors_.entries.clear();
    table_.OnZadarirError = [this](int code, int sub, const std::string& text) {
        errors_.entries.push_back({code, sub, text});
    };
    EXPECT_FALSE(table_.OpenIndex(dir_.File("T.NDX")));
    ASSERT_EQ(errors_.entries.size(), 1u);
    EXPECT_EQ(errors_.last().code, 2);
    EXPECT_EQ(errors_.last().subCode, -7);
    EXPECT_FALSE(table_.OpenIndex(dir_.File("T")));
    EXPECT_FALSE(table_.AddTag(dir_.File("T.IDX"), "NAME", "NAME", "", 0, 1));
    EXPECT_EQ(errors_.entries.size(), 3u);
    // No extension: Add tag gives it ".CDX".
    EXPECT_TRUE(table_.AddTag(dir_.File("OTHER"), "NAME", "NAME", "", 0, 1));
    EXPECT_FALSE(ReadFile(dir_.File("OTHER.CDX")).empty());
    EXPECT_FALSE(table_.HasStructuralIndex());
    // Opened twice: attached once.
    EXPECT_TRUE(table_.OpenIndex("\"" + dir_.File("OTHER.cdx") + "\""));
    EXPECT_EQ(table_.Indexes().FileCount(), 1u);
    // Bad tag names: "Tag Field is Empty".
    EXPECT_FALSE(table_.AddTag(Cdx(), "", "NAME", "", 0, 1));
    EXPECT_EQ(errors_.last().code, 5117);
    EXPECT_EQ(errors_.last().subCode, 5114);
    EXPECT_FALSE(table_.AddTag(Cdx(), std::string(32, 'A'), "NAME", "", 0, 1));
    EXPECT_EQ(errors_.last().code, 5117);
    // An expression that does not evaluate: reported once, nothing built.
    const size_t before = errors_.entries.size();
    EXPECT_FALSE(table_.AddTag(dir_.File("OTHER.CDX"), "BAD", "NOSUCH", "", 0, 1));
    ASSERT_EQ(errors_.entries.size(), before + 1);
    EXPECT_EQ(errors_.last().code, 1006);
    EXPECT_EQ(errors_.last().subCode, 5212);
    EXPECT_FALSE(table_.SetOrder("BAD"));
}

TEST_F(HTableIndexesTest, ShortFileIsCreatedAnew) {
    Make({{"I", "b", "P1"}});
    WriteFile(Cdx(), std::string(513 - 1, 'x'));
    Open();
    ASSERT_TRUE(table_.OpenIndex(Cdx()));
    EXPECT_EQ(ReadFile(Cdx()).size(), 1536u);
    EXPECT_TRUE(table_.HasStructuralIndex());
}

TEST_F(HTableIndexesTest, DamagedIndexFilesAreReportedAndNeverTrusted) {
    Make({{"I", "b", "P1"}, {"I", "a", "P2"}});
    {
        HDBFTable maker;
        ASSERT_TRUE(maker.Open(Path(), {HFileAccess::ReadWrite, HFileShare::DenyNone}));
        ASSERT_TRUE(maker.AddTag(Cdx(), "NAME", "NAME", "", 0, 1));
    }
    const std::string good = ReadFile(Cdx());
    ASSERT_EQ(good.size(), 1536u + 1024 + 512);
    struct Damage {
        const char* what;
        std::function<void(std::string&)> apply;
        bool atOpen;
    };
    auto put32 = [](std::string& b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
    };
    const std::vector<Damage> cases = {
        {"root zero", [&](std::string& b) { put32(b, 1536, 0); }, true},
        {"root misaligned", [&](std::string& b) { put32(b, 1536, 2561); }, true},
        {"root beyond the end", [&](std::string& b) { put32(b, 1536, 8192); }, true},
        {"key length 241", [&](std::string& b) { b[1536 + 12] = char(241), b[1536 + 13] = 0; },
         true},
        {"empty key expression", [&](std::string& b) { b[1536 + 512] = 0; }, true},
        {"directory root zero", [&](std::string& b) { put32(b, 0, 0); }, true},
        {"leaf count beyond the page", [&](std::string& b) { b[2560 + 2] = char(200); }, false},
        {"leaf bytes per entry 0", [&](std::string& b) { b[2560 + 23] = 0; }, false},
        {"leaf attributes 9", [&](std::string& b) { b[2560] = 9; }, false},
    };
    for (const Damage& d : cases) {
        std::string bytes = good;
        d.apply(bytes);
        WriteFile(Cdx(), bytes);
        HDBFTable table;
        ErrorLog log;
        log.Attach(table);
        ASSERT_TRUE(table.Open(Path(), {HFileAccess::ReadWrite, HFileShare::DenyNone}));
        const bool opened = table.OpenIndex(Cdx()) && table.SetOrder("NAME");
        if (d.atOpen) {
            EXPECT_FALSE(opened) << d.what;
        } else if (opened) {
            table.Go(hmove::kTop);
            for (int i = 0; i < 10 && !table.Eof(); ++i) table.Skip(1);
            table.Find("a");
            table.BlankRecord();
            table.FieldPut("NAME", "c");
            table.AppendRecord();  // a damaged tag is not written into
        }
        ASSERT_FALSE(log.empty()) << d.what;
        EXPECT_EQ(log.entries[0].code, cdx::kDamagedCode) << d.what;
        EXPECT_EQ(log.entries[0].subCode, -7) << d.what;
        EXPECT_EQ(log.entries[0].text, ZadarirDisplayName(Cdx())) << d.what;
        table.Close();
        if (!d.atOpen) {
            const std::string after = ReadFile(Cdx());
            EXPECT_EQ(after.substr(2560, 512), bytes.substr(2560, 512)) << d.what;
        }
    }
}

TEST_F(HTableIndexesTest, OneFieldKeyMadeFromTheRecordEqualsTheEvaluatedKey) {
    // "POINTER" is made straight from the record's bytes; a formula handler that declines
    // every expression sends the same build through the evaluator.
    std::vector<Row> rows;
    std::mt19937 rng(5);
    for (int i = 0; i < 3000; ++i)
        rows.push_back({"I", "x", Cat(i % 3 ? "@I" : "@\xC9", static_cast<long>(rng() % 900)) + "@"});
    Make(rows);
    Open();
    ASSERT_TRUE(table_.AddTag(Cdx(), "DIRECT", "POINTER", "", 7, 1));
    ASSERT_TRUE(table_.SetOrder("DIRECT"));
    const std::vector<int> direct = Order();
    int offered = 0;
    table_.OnFormula = [&](const std::string&, const std::string&, std::string&, char&, bool&,
                           bool&) { ++offered; };
    ASSERT_TRUE(table_.AddTag(Cdx(), "EVALUATED", "POINTER", "", 7, 1));
    EXPECT_GE(offered, 3000);
    table_.OnFormula = nullptr;
    ASSERT_TRUE(table_.SetOrder("EVALUATED"));
    EXPECT_EQ(Order(), direct);
    std::multimap<std::string, int> model;
    for (int r = 1; r <= 3000; ++r) model.emplace(PointerKey(rows[r - 1].pointer), r);
    EXPECT_EQ(direct, ModelOrder(model));
}

TEST_F(HTableIndexesTest, BuildSpillsBesideTheIndexAndLeavesNoRunFileAfterAFailure) {
    std::vector<Row> rows;
    std::mt19937 rng(2);
    // Random numbers after the names: keys that share little, so the tree fills early.
    for (int i = 0; i < 20000; ++i)
        rows.push_back({"I", Cat(RandomName(rng) + " ", static_cast<long>(rng())), "P"});
    Make(rows);
    Open();
    // The run file goes beside the index file (the current directory may not be writable).
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir("/"), 0);
    bool spilled = false;
    // The status handler fails the build half-way: the error ends it by an exception.
    table_.OnZadarirError = nullptr;
    auto runFiles = [this]() {
        std::vector<std::string> found;
        if (DIR* d = opendir(dir_.path().c_str())) {
            while (dirent* e = readdir(d)) {
                const std::string name = e->d_name;
                if (name.size() > 4 && name.substr(name.size() - 4) == ".CPL")
                    found.push_back(name);
            }
            closedir(d);
        }
        return found;
    };
    table_.OnStatus = [&](int a, int b, int) {
        if (a == 1 && b == 15000) {
            spilled = !runFiles().empty();
            throw EZadarirError("stop");
        }
    };
    EXPECT_THROW(table_.AddTag(Cdx(), "NAME", "RTYPE-UPPER(NAME)", "", 7, 1), EZadarirError);
    EXPECT_TRUE(spilled);
    table_.OnStatus = nullptr;
    EXPECT_TRUE(table_.AddTag(Cdx(), "NAME", "RTYPE-UPPER(NAME)", "", 7, 1));
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_TRUE(runFiles().empty());
}

TEST_F(HTableIndexesTest, IndexLockHeldByAnotherProgramIsReportedAndNothingStaysLocked) {
    Make({{"I", "b", "P1"}});
    {
        HDBFTable maker;
        ASSERT_TRUE(maker.Open(Path(), {HFileAccess::ReadWrite, HFileShare::DenyNone}));
        ASSERT_TRUE(maker.AddTag(Cdx(), "NAME", "NAME", "", 0, 1));
    }
    const std::string cdx = Cdx();
    OtherProcess other([cdx] {
        auto* file = new HFileObject;  // lives until the process ends
        if (!file->Open(cdx, {HFileAccess::ReadWrite, HFileShare::DenyNone})) return false;
        file->SetLockProtocol(HLokProtocol::ClipLock);
        return file->LockRegion(file->SecondOffset(), 1, 7) == 0;
    });
    ASSERT_TRUE(other.Ready());
    HFileObject::SetRetryTime(200);
    Open();
    table_.SetLockProtocol(HLokProtocol::ClipLock);
    ASSERT_TRUE(table_.OpenIndex(Cdx()));
    ASSERT_TRUE(table_.SetOrder("NAME"));
    EXPECT_FALSE(table_.LockIndexes());
    ASSERT_EQ(errors_.entries.size(), 1u);
    EXPECT_EQ(errors_.last().code, 33);
    EXPECT_EQ(errors_.last().subCode, 2222);
    EXPECT_EQ(errors_.last().text, ZadarirDisplayName(Cdx()));
    EXPECT_FALSE(table_.Find("b"));  // the find needs the index locks under this protocol
    other.Release();
    HFileObject::SetRetryTime(2000);
    EXPECT_TRUE(table_.LockIndexes());
    table_.UnlockIndexes();
    EXPECT_TRUE(table_.Find("b"));
}

// --- Read back by another program -----------------------------------------------------------

// Record numbers in tag order as Perl's XBase::Index reads them (used as a black box), or
// nothing when Perl or the module is missing.
std::vector<int> PerlOrder(const TempDir& dir, const std::string& index, const std::string& tag) {
    std::vector<int> order;
    const std::string script = dir.File("order.pl");
    WriteFile(script,
              "use XBase::Index;\n"
              "my $i = XBase::Index->new($ARGV[0], 'tag' => $ARGV[1], 'type' => 'char')\n"
              "  or die XBase::Index->errstr;\n"
              "$i->prepare_select;\n"
              "while (my ($k, $v) = $i->fetch) { print \"$v\\n\"; }\n");
    FILE* p = popen(("perl '" + script + "' '" + index + "' " + tag + " 2>/dev/null").c_str(), "r");
    if (p == nullptr) return order;
    char line[64];
    while (std::fgets(line, sizeof line, p)) order.push_back(std::atoi(line));
    pclose(p);
    return order;
}

bool PerlIndexReaderAvailable() {
    return std::system("perl -MXBase::Index -e 1 >/dev/null 2>&1") == 0;
}

TEST_F(HTableIndexesTest, PerlReadsTagsGrownByThousandsOfSingleInserts) {
    if (!PerlIndexReaderAvailable()) GTEST_SKIP() << "perl XBase::Index not installed";
    Make({});
    Open();
    Tags();
    ASSERT_TRUE(table_.AddTag(Cdx(), "GEDF", "UPPER(NAME)", "", 0, 1));
    ASSERT_TRUE(table_.AddTag(Cdx(), "INDEXF", "POINTER", "", 0, 1));
    std::mt19937 rng(17);
    for (int i = 0; i < 4000; ++i) {
        // Long, varied keys split leaves often and interior nodes (10 keys each) soon.
        std::string name = RandomName(rng);
        name += ' ';
        name = Cat(name, static_cast<long>(rng() % 100000));
        std::string pointer = Cat("@I", static_cast<long>(rng() % 3000));
        pointer += '@';
        Append({rng() % 5 ? "I" : "F", name, pointer});
    }
    for (int i = 0; i < 500; ++i) {
        ASSERT_TRUE(table_.ReadRecord(1 + static_cast<int>(rng() % 4000)));
        table_.FieldPut("NAME", Cat(RandomName(rng), i));
        ASSERT_TRUE(table_.ReplaceRecord(table_.RecNo()));
    }
    ASSERT_TRUE(errors_.empty());
    for (const char* tag : {"NAME", "POINTER", "GEDF", "INDEXF"}) {
        ASSERT_TRUE(table_.SetOrder(tag));
        const std::vector<int> order = Order();
        ASSERT_EQ(order.size(), 4000u) << tag;
        EXPECT_EQ(PerlOrder(dir_, Cdx(), tag), order) << tag;
    }
}

TEST_F(HTableIndexesTest, PerlReadsGeneralAndMachineTagsBuiltWithSpills) {
    if (!PerlIndexReaderAvailable()) GTEST_SKIP() << "perl XBase::Index not installed";
    std::vector<Row> rows;
    std::mt19937 rng(29);
    for (int i = 0; i < 30000; ++i) {
        std::string name = RandomName(rng) + " ";
        rows.push_back({rng() % 7 ? "I" : "F", Cat(name, static_cast<long>(rng() % 100000)),
                        Cat("@I", static_cast<long>(rng() % 20000)) + "@"});
    }
    Make(rows);
    Open();
    Tags();
    ASSERT_TRUE(table_.AddTag(Cdx(), "GEDF", "UPPER(NAME)", "", 0, 1));
    ASSERT_TRUE(errors_.empty());
    for (const char* tag : {"NAME", "POINTER", "GEDF"}) {
        ASSERT_TRUE(table_.SetOrder(tag));
        const std::vector<int> order = Order();
        ASSERT_EQ(order.size(), 30000u) << tag;
        EXPECT_EQ(PerlOrder(dir_, Cdx(), tag), order) << tag;
    }
    // The engine's own order is the model's: by key, equal keys by record.
    std::multimap<std::string, int> names;
    for (int r = 1; r <= 30000; ++r) names.emplace(NameKey(rows[r - 1].rtype, rows[r - 1].name), r);
    ASSERT_TRUE(table_.SetOrder("NAME"));
    EXPECT_EQ(Order(), ModelOrder(names));
}

// --- The component ---------------------------------------------------------------------------

TEST_F(HTableIndexesTest, LookupTableFlowThroughTheComponent) {
    Make({{"I", "Smith, John", "I1"}, {"I", "Brown, Ann", "I2"}, {"I", "Smith, Adam", "I3"}});
    HTable table;
    table.SetDBFPath(dir_.path());
    table.SetDBFName("T");
    table.SetActive(true);
    ASSERT_TRUE(table.IndexOn(Cdx(), "NAME", 7, 1, "", "RTYPE-UPPER(NAME)"));
    ASSERT_TRUE(table.IndexOn(Cdx(), "POINTER", 7, 1, "", "POINTER"));
    ASSERT_TRUE(table.IndexOpen("\"" + Cdx() + "\"", "NAME"));
    EXPECT_EQ(table.Percent(), -1);
    table.SetFindNear(false);
    EXPECT_TRUE(table.Find("ISMI"));
    EXPECT_EQ(table.RecNo(), 3);
    EXPECT_FALSE(table.Find("IZZ"));
    EXPECT_TRUE(table.Eof());
    table.SetFindNear(true);
    EXPECT_FALSE(table.Find("IC"));
    EXPECT_EQ(table.RecNo(), 3);
    table.SetTagTo("POINTER");
    EXPECT_TRUE(table.Find("I2"));
    EXPECT_EQ(table.RecNo(), 2);
    table.SetTagTo("NAME");
    table.SetRange("I", "J");
    std::string seen;
    for (table.First(); !table.Eof(); table.Skip(1)) seen += table.StringGet("POINTER")[1];
    EXPECT_EQ(seen, "231");
    table.SetRange("", "");
    table.Append();
    table.StringPut("RTYPE", "I");
    table.StringPut("NAME", "Abel, Cain");
    table.StringPut("POINTER", "I4");
    ASSERT_TRUE(table.Post());
    seen.clear();
    for (table.First(); !table.Eof(); table.Skip(1)) seen += table.StringGet("POINTER")[1];
    EXPECT_EQ(seen, "4231");
    table.SetActive(false);

    // IndexFiles and IndexTag open the order with the table.
    HTable again;
    again.SetDBFPath(dir_.path());
    again.SetDBFName("T");
    again.SetIndexFiles({"T.CDX"});
    again.SetIndexTag("POINTER");
    again.SetActive(true);
    EXPECT_EQ(again.RecNo(), 1);
    again.Last();
    EXPECT_EQ(again.RecNo(), 4);
}

TEST_F(HTableIndexesTest, AppendsFromTwoProgramsReachBothTags) {
    Make({});
    {
        HDBFTable maker;
        ASSERT_TRUE(maker.Open(Path(), {HFileAccess::ReadWrite, HFileShare::DenyNone}));
        ASSERT_TRUE(maker.AddTag(Cdx(), "NAME", "RTYPE-UPPER(NAME)", "", 7, 1));
        ASSERT_TRUE(maker.AddTag(Cdx(), "POINTER", "POINTER", "", 7, 1));
    }
    constexpr int kRows = 150;
    const std::string dir = dir_.path();
    auto appendRows = [dir](char who) {
        HTable table;
        table.SetDBFPath(dir);
        table.SetDBFName("T");
        table.SetIndexFiles({"T.CDX"});
        table.SetIndexTag("NAME");
        table.SetActive(true);
        for (int i = 1; i <= kRows; ++i) {
            table.Append();
            table.StringPut("RTYPE", "I");
            table.StringPut("POINTER", Cat(std::string(1, who), i));
            table.StringPut("NAME", Cat(std::string(1, who) + "Name", i));
            if (!table.Post()) return false;
        }
        return true;
    };
    OtherProcess other([&] { return appendRows('B'); });
    EXPECT_TRUE(appendRows('A'));
    ASSERT_TRUE(other.Ready());
    other.Release();

    Open();
    ASSERT_TRUE(table_.OpenIndex(Cdx()));
    ASSERT_TRUE(table_.SetOrder("POINTER"));
    for (char who : {'A', 'B'}) {
        for (int i = 1; i <= kRows; ++i) {
            const std::string pointer = Cat(std::string(1, who), i);
            ASSERT_TRUE(table_.Find(pointer)) << pointer;
        }
    }
    ASSERT_TRUE(table_.SetOrder("NAME"));
    EXPECT_EQ(Order().size(), 2u * kRows);
}

TEST_F(HTableIndexesTest, WalkingLeafByLeafSeesWhatAnotherObjectWroteMeanwhile) {
    // Enough rows for many leaves, so that a walk reads pages ahead.
    std::mt19937 rng(4);
    std::vector<Row> rows;
    for (int i = 0; i < 3000; ++i) rows.push_back({"I", RandomName(rng), Cat("P", i)});
    Make(rows);
    Open();
    Tags();
    ASSERT_TRUE(table_.SetOrder("NAME"));
    ASSERT_EQ(Order().size(), 3000u);

    HDBFTable other;
    ASSERT_TRUE(other.Open(Path(), {HFileAccess::ReadWrite, HFileShare::DenyNone}));
    ASSERT_TRUE(other.OpenIndex(Cdx()));
    for (int i = 0; i < 200; ++i) {
        other.BlankRecord();
        other.FieldPut("RTYPE", "I");
        other.FieldPut("NAME", RandomName(rng));
        other.FieldPut("POINTER", Cat("Q", i));
        ASSERT_TRUE(other.AppendRecord());
    }
    other.Close();

    const std::vector<int> order = Order();
    EXPECT_EQ(order.size(), 3200u);
    std::multimap<std::string, int> model;
    for (int r = 1; r <= 3200; ++r) {
        ASSERT_TRUE(table_.Go(r));
        model.emplace(NameKey(Field("RTYPE"), Field("NAME")), r);
    }
    EXPECT_EQ(order, ModelOrder(model));

    // The walk ended in the last leaves, read ahead. The other program moves the last record to
    // the front: the leaf that held it changes in place, and the order must show it.
    const int last = order.back();
    ASSERT_TRUE(other.Open(Path(), {HFileAccess::ReadWrite, HFileShare::DenyNone}));
    ASSERT_TRUE(other.OpenIndex(Cdx()));
    ASSERT_TRUE(other.SetOrder("NAME"));
    ASSERT_TRUE(other.Go(last));
    other.FieldPut("NAME", "AAAA, First");
    ASSERT_TRUE(other.ReplaceRecord(last));
    other.Close();
    ASSERT_TRUE(table_.Go(hmove::kBottom));
    EXPECT_NE(table_.RecNo(), last);
    ASSERT_TRUE(table_.Go(hmove::kTop));
    EXPECT_EQ(table_.RecNo(), last);
}

}  // namespace
