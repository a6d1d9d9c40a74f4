#include "fuzz/Seeds.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTables.h"
#include "fuzz/LookupFuzz.h"
#include "gedcom/GedcomState.h"
#include "table/HTable.h"

namespace fuzz {
namespace {

namespace fs = std::filesystem;

class TSeedWriter {
public:
    explicit TSeedWriter(const std::string& folder) : folder_(folder) {}

    void Write(const char* target, const std::string& name, const std::string& bytes) {
        const TFuzzTarget* found = FindFuzzTarget(target);
        if (found == nullptr) throw std::runtime_error(std::string("no fuzz target ") + target);
        const std::string dir = folder_ + "/" + target;
        fs::create_directories(dir);
        WriteBytes(dir + "/" + name, bytes.substr(0, found->maxLength));
    }

private:
    std::string folder_;
};

std::vector<fs::path> FilesOf(const std::string& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

void GedcomSeeds(TSeedWriter& out, const std::string& fuzzSourceDir,
                 const std::string& samplesDir) {
    std::vector<fs::path> files = FilesOf(fuzzSourceDir + "/seeds/gedcom");
    for (const fs::path& sample : FilesOf(samplesDir)) {
        if (sample.extension() != ".md") files.push_back(sample);
    }
    std::vector<std::pair<std::string, std::string>> seeds;
    for (const fs::path& file : files) {
        seeds.emplace_back(file.filename().string(), ReadBytes(file.string()));
    }
    // Lines longer than the line stream's chunk, in both kinds of file.
    const std::string longNote = "1 NOTE " + std::string(40000, 'x');
    seeds.emplace_back("long-line.ged", "0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME A /B/\n" +
                                            longNote + "\n0 TRLR\n");
    std::string utf16 = "\xFF\xFE";
    for (char c : "0 HEAD\r\n0 @I1@ INDI\r\n" + longNote.substr(0, 20000) + "\r\n0 TRLR") {
        utf16 += c;
        utf16 += '\0';
    }
    seeds.emplace_back("long-line-utf16.ged", utf16);
    for (const auto& [name, bytes] : seeds) {
        for (const char* target : {"linestream", "builder", "person"}) {
            out.Write(target, name, bytes);
        }
    }
}

// A scratch folder for building seed tables, removed afterwards.
class TWorkFolder {
public:
    TWorkFolder() : path_(ScratchDir() + "/seeds") { fs::create_directories(path_); }
    ~TWorkFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

void TableSeeds(TSeedWriter& out, const std::string& samplesDir, const TWorkFolder& work) {
    out.Write("dbf", "index-table.dbf", IndexTableBytes());
    out.Write("dbf", "key-table.dbf", KeyTableBytes());
    out.Write("dbf", "empty.dbf", TableBytes(0x03, IndexTableFields(), {}));
    const std::vector<TFieldSpec> memo = {{"NAME", 'C', 12, 0}, {"NOTES", 'M', 10, 0}};
    const std::vector<std::string> memoRecords = {TextRecord(memo, {"Smith", "1"}),
                                                  TextRecord(memo, {"Brown", ""}, true)};
    for (const uint8_t version : {0x83, 0x8B, 0xF5}) {
        out.Write("dbf", "memo-" + std::to_string(version) + ".dbf",
                  TableBytes(version, memo, memoRecords));
    }
    const std::vector<TFieldSpec> wide = {{"TEXT", 'C', 300, 0}, {"FLAG", 'L', 1, 0}};
    out.Write("dbf", "wide-field.dbf",
              TableBytes(0x03, wide, {TextRecord(wide, {std::string(280, 'x'), "T"})}));

    // A lookup table as the builder writes it, with its index for the index target.
    int64_t rows = 0;
    const std::string gedcom = work.File("bronte.ged");
    WriteBytes(gedcom, ReadBytes(samplesDir + "/bronte.ged"));
    if (!BuildFuzzLookup(gedcom, work.File("BRONTE.DBF"), &rows)) {
        throw std::runtime_error("cannot build the lookup table of " + gedcom);
    }
    out.Write("dbf", "lookup.dbf", ReadBytes(work.File("BRONTE.DBF")));
    out.Write("cdx", "lookup.cdx", ReadBytes(work.File("BRONTE.CDX")));
    GedcomState() = TGedcomState();
}

// Index files over the index target's table, a few tags each.
void IndexSeeds(TSeedWriter& out, const TWorkFolder& work) {
    const std::vector<std::vector<const char*>> groups = {
        {"NAME", "POINTER"},
        {"UNAME", "DNAME", "GDESC"},
        {"OFFSET", "AMOUNT", "BIRTH"},
        {"DTOS", "RTYPE", "LIVE"},
        {"SUB"},
    };
    WriteBytes(work.File("FIXED.DBF"), IndexTableBytes());
    for (size_t g = 0; g < groups.size(); ++g) {
        const std::string cdx = work.File("TAGS" + std::to_string(g) + ".CDX");
        HTable table;
        table.SetExclusive(true);
        table.SetDBFPath(work.Path());
        table.SetDBFName("FIXED.DBF");
        table.SetActive(true);
        for (const char* name : groups[g]) {
            for (const TTagSpec& tag : IndexTableTags()) {
                if (std::string(tag.name) != name) continue;
                if (!table.IndexOn(cdx, tag.name, tag.option, tag.unique, tag.forExpression,
                                   tag.key)) {
                    throw std::runtime_error(std::string("cannot build the seed tag ") + name);
                }
            }
        }
        table.Close();
        std::string seedName;
        for (const char* name : groups[g])
            seedName += (seedName.empty() ? "" : "-") + std::string(name);
        out.Write("cdx", seedName + ".cdx", ReadBytes(cdx));
    }
}

void ExpressionSeeds(TSeedWriter& out, const std::string& fuzzSourceDir) {
    std::ifstream in(fuzzSourceDir + "/seeds/keyexpr/expressions.txt");
    if (!in) throw std::runtime_error("no seed expressions in " + fuzzSourceDir);
    const std::vector<std::string> records = KeyTableRecords();
    std::string line;
    size_t n = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        ++n;
        out.Write("keyexpr", "expression-" + std::to_string(n),
                  line + "\n" + records[n % records.size()]);
    }
}

}  // namespace

void WriteSeedCorpus(const std::string& folder, const std::string& fuzzSourceDir,
                     const std::string& samplesDir) {
    TSeedWriter out(folder);
    TWorkFolder work;
    GedcomSeeds(out, fuzzSourceDir, samplesDir);
    TableSeeds(out, samplesDir, work);
    IndexSeeds(out, work);
    ExpressionSeeds(out, fuzzSourceDir);
}

}  // namespace fuzz
