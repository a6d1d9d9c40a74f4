// A compound index of any bytes beside a valid table: its directory and tags read directly,
// then every tag used as the table's order the way the viewer uses the lookup table's tags.
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTables.h"
#include "fuzz/FuzzTargets.h"
#include "table/CdxFileStore.h"
#include "table/CdxIndexFile.h"
#include "table/CdxTag.h"
#include "table/HDBFTable.h"
#include "table/HFileObject.h"
#include "table/HTable.h"
#include "table/HTableIndexes.h"

namespace fuzz {
namespace {

// The fixed table has 150 records; a walk longer than this has lost its way.
constexpr int kMostSteps = 1000;
constexpr size_t kMostTags = 16;

const char* const kTableName = "FIXED.DBF";

void Swallow(int, int, const std::string&) {}

// The tags as the index file's directory lists them, each walked and searched on its own.
std::vector<std::string> ReadTagsDirectly(const std::string& path) {
    std::vector<std::string> names;
    HFileObject file;
    file.OnZadarirError = Swallow;
    if (!file.Open(path, {HFileAccess::Read, HFileShare::DenyNone})) return names;
    {
        HCdxFileStore store(file);
        HCdxIndexFile index(store, "FUZZ.CDX");
        if (index.Load().ok()) {
            for (const HCdxIndexFile::TagInfo& info : index.Tags()) {
                if (names.size() >= kMostTags) break;
                names.push_back(info.name);
                HCdxTag tag(store, info.headerOffset, info.shape, info.header.descending,
                            "FUZZ.CDX");
                int steps = 0;
                for (uint32_t r = tag.GoTop(); r != 0 && steps < kMostSteps; r = tag.Next()) {
                    ++steps;
                }
                steps = 0;
                for (uint32_t r = tag.GoBottom(); r != 0 && steps < kMostSteps;
                     r = tag.Previous()) {
                    ++steps;
                }
                for (const std::string& key : IndexTableKeys()) {
                    tag.Seek(key, false);
                    tag.Seek(key, true);
                }
            }
        }
    }
    file.Close();
    return names;
}

void ReadRecord(HTable& table) {
    table.StringGet("NAME");
    table.StringGet("POINTER");
    table.RecNo();
}

void WalkOrder(HTable& table) {
    int steps = 0;
    for (table.First(); !table.Eof() && steps < kMostSteps; table.Skip(1), ++steps) {
        ReadRecord(table);
    }
    steps = 0;
    for (table.Last(); !table.Bof() && steps < kMostSteps; table.Skip(-1), ++steps) {
        ReadRecord(table);
    }
}

void UseTag(HTable& table, const std::string& tag) {
    table.SetTagTo(tag);
    WalkOrder(table);
    for (const std::string& key : IndexTableKeys()) {
        for (int mode = 0; mode < 4; ++mode) {
            table.SetFindNear(mode & 1);
            table.SetExactFind(mode & 2);
            if (table.Find(key)) ReadRecord(table);
        }
    }
    table.SetFindNear(false);
    table.SetExactFind(false);

    // The keys themselves, as the Select Person search walks them.
    HTableIndexes& indexes = table.Table()->Indexes();
    std::vector<std::string> forms;
    int steps = 0;
    for (uint32_t r = indexes.SeekKeyForm(""); r != 0 && steps < kMostSteps;
         r = indexes.NextKeyForm(), ++steps) {
        if (forms.size() < 8) forms.emplace_back(indexes.CurrentKeyForm());
    }
    for (const std::string& form : forms) indexes.SeekKeyForm(form);
    table.Go(hmove::kTop);

    table.SetRange("I", "IZ");
    WalkOrder(table);
    table.SetRange("", "");
    table.Percent();
    table.GoPercent(40);
    table.Percent();
}

}  // namespace

void PrepareCdx() { WriteBytes(FixedFile(kTableName), IndexTableBytes()); }

void FuzzCdx(const uint8_t* data, size_t size) {
    TRunFiles files({"FUZZ.CDX"});
    const std::string path = files.Path(0);
    WriteBytes(path, data, size);

    std::vector<std::string> tags = ReadTagsDirectly(path);
    if (tags.empty()) tags = {"NAME", "POINTER"};

    HTable table;
    table.OnZadarirError = Swallow;
    table.SetReadOnly(true);
    table.SetExclusive(false);
    table.SetDBFPath(ScratchDir() + "/fixed");
    table.SetDBFName(kTableName);
    table.SetActive(true);
    FUZZ_CHECK(table.Active(), "the fixed table does not open");
    if (table.IndexOpen("\"" + path + "\"", "")) {
        for (const std::string& tag : tags) UseTag(table, tag);
    }
    table.Close();
}

}  // namespace fuzz
