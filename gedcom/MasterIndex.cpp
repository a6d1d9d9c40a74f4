#include "gedcom/MasterIndex.h"

#include <chrono>
#include <cstdio>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "gedcom/FilePaths.h"
#include "gedcom/GedcomStrings.h"
#include "table/Host.h"
#include "table/KeyExpression.h"

namespace gedcom {

namespace {

constexpr int kMaxPathAttempts = 100000;
constexpr int kMaxTickPolls = 50000;

std::string WithSlash(const std::string& folder) {
    return folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

bool PathExists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

// True when both paths name existing files and these are not the same file. Telling
// "Tree.ged" from "tree.ged" on a case-sensitive file system keeps one file from being shown
// through the other's lookup table.
bool DistinctExistingFiles(const std::string& a, const std::string& b) {
    struct stat infoA;
    struct stat infoB;
    if (::stat(a.c_str(), &infoA) != 0 || ::stat(b.c_str(), &infoB) != 0) return false;
    return infoA.st_dev != infoB.st_dev || infoA.st_ino != infoB.st_ino;
}

// The seek key of tag GEDF, upper-cased as the index's UPPER() does.
std::string GedfKey(std::string_view name) {
    const auto& upper = UpperTable();
    std::string key(name);
    for (char& c : key) c = static_cast<char>(upper[static_cast<unsigned char>(c)]);
    return key;
}

std::string TrimmedField(HTable& table, std::string_view field) {
    return std::string(Trim(table.StringGet(field)));
}

}  // namespace

std::string Base36Text(int64_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string text;
    for (; value > 0; value /= 36) text.insert(text.begin(), kDigits[value % 36]);
    return text;
}

std::string LookupStem(const std::tm& local, int32_t tick) {
    const int64_t time =
        ((((static_cast<int64_t>(local.tm_mon) + 1) * 100 + local.tm_mday) * 100 + local.tm_hour) *
             100 +
         local.tm_min) *
            100 +
        local.tm_sec;
    return Base36Text(local.tm_year + 1900 - 1995) + Base36Text(time) + std::to_string(tick);
}

TMasterIndex::TMasterIndex(const std::string& masterFolder, const std::string& lookupFolder)
    : masterFolder_(WithSlash(masterFolder)), lookupFolder_(WithSlash(lookupFolder)) {
    MasterIndexTable.SetExclusive(true);
    MasterIndexTable.SetUseDeleted(true);
    MasterIndexTable.SetTransliterate(true);
    MasterIndexCreator.SetDBFTable(&MasterIndexTable);
    MasterIndexCreator.SetDBFType(HDBFTypes::FoxPro2);
    MasterIndexCreator.SetAutoOverwrite(true);
    MasterIndexCreator.SetKeepOpen(false);
    MasterIndexCreator.SetCreateFields(
        {"GEDFILE;C;200;0", "GEDPATH;C;200;0", "INDEXFILE;C;30;0", "LASTUSED;C;20;0"});
}

std::string TMasterIndex::IndexPath() const { return masterFolder_ + kIndexName; }

void TMasterIndex::BuildTags(const std::string& indexPath) {
    MasterIndexTable.IndexOn(indexPath, "GEDF", 0, 1, "", "UPPER(GEDFILE)");
    MasterIndexTable.IndexOn(indexPath, "INDEXF", 0, 1, "", "INDEXFILE");
}

bool TMasterIndex::IndexAgreesWithRows() {
    const int32_t rows = MasterIndexTable.RecordCount();
    for (const char* tag : {"GEDF", "INDEXF"}) {
        MasterIndexTable.SetTagTo(tag);
        std::vector<bool> seen(static_cast<size_t>(rows) + 1, false);
        int32_t count = 0;
        for (MasterIndexTable.First(); !MasterIndexTable.Eof(); MasterIndexTable.Skip(1)) {
            const int32_t recNo = MasterIndexTable.RecNo();
            if (recNo < 1 || recNo > rows || seen[static_cast<size_t>(recNo)] || ++count > rows) {
                return false;
            }
            seen[static_cast<size_t>(recNo)] = true;
        }
        if (count != rows) return false;
    }
    MasterIndexTable.SetTagTo("GEDF");
    return true;
}

void TMasterIndex::OpenOrCreate() {
    try {
        if (MasterIndexTable.Active()) return;
        MasterIndexTable.SetDBFPath(masterFolder_);
        MasterIndexTable.SetDBFName(kTableName);
        const std::string tablePath = MasterIndexTable.FullName();
        const std::string indexPath = IndexPath();
        if (RegularFileExists(tablePath)) {
            try {
                MasterIndexTable.SetActive(true);
            } catch (...) {
            }
            if (!MasterIndexTable.Active()) {
                // A table that does not open (a process killed while writing it) is set aside
                // for whoever wants to look at it, and a new one takes its place.
                std::rename(tablePath.c_str(), (tablePath + ".damaged").c_str());
            }
        }
        if (!RegularFileExists(tablePath)) {
            // An index without its table would point at rows the new table does not have.
            RemoveRegularFile(indexPath);
            MasterIndexCreator.Execute();
        }
        if (!RegularFileExists(tablePath)) return;
        if (!MasterIndexTable.Active()) MasterIndexTable.SetActive(true);
        if (!MasterIndexTable.Active()) return;
        if (!RegularFileExists(indexPath)) BuildTags(indexPath);
        if (!RegularFileExists(indexPath)) return;
        bool opened = false;
        try {
            opened = MasterIndexTable.IndexOpen("\"" + indexPath + "\"", "GEDF");
        } catch (...) {
        }
        // An update killed between its row and its keys leaves an index that disagrees.
        if (opened && !IndexAgreesWithRows()) opened = false;
        if (!opened) {
            // A damaged index would hide every row from FindFile; the table has all it holds.
            MasterIndexTable.IndexOpen("", "");
            RemoveRegularFile(indexPath);
            BuildTags(indexPath);
            MasterIndexTable.IndexOpen("\"" + indexPath + "\"", "GEDF");
        }
    } catch (...) {
        // Without a master table every file counts as not yet indexed.
    }
}

int32_t TMasterIndex::FindFile(const std::string& gedcomPath) {
    if (!MasterIndexTable.Active()) return -1;
    const std::string name(Trim(NamePart(gedcomPath)));
    const std::string key = AsciiUpper(name);
    const std::string directory = AsciiUpper(Trim(DirectoryPart(gedcomPath)));
    if (key.empty()) return -1;
    if (!MasterIndexTable.Find(GedfKey(name))) return -1;
    for (;;) {
        const std::string rowName = TrimmedField(MasterIndexTable, "GEDFILE");
        if (AsciiUpper(rowName) != key) return -1;
        const std::string rowDirectory = TrimmedField(MasterIndexTable, "GEDPATH");
        if (AsciiUpper(rowDirectory) == directory &&
            !DistinctExistingFiles(rowDirectory + rowName, gedcomPath)) {
            return MasterIndexTable.RecNo();
        }
        if (MasterIndexTable.Eof()) return -1;
        MasterIndexTable.Skip(1);
    }
}

std::string TMasterIndex::LookupPathOfRow(int32_t recNo) {
    if (!MasterIndexTable.Active() || recNo <= 0) return std::string();
    if (!MasterIndexTable.Go(recNo)) return std::string();
    const std::string name(TrimRight(MasterIndexTable.StringGet("INDEXFILE")));
    // A blank name would make the folder itself look like the lookup table.
    if (IsBlank(name)) return std::string();
    return lookupFolder_ + name;
}

void TMasterIndex::RecordPair(const std::string& gedcomPath, const std::string& lookupPath) {
    if (!MasterIndexTable.Active()) return;
    if (!RegularFileExists(lookupPath) || !RegularFileExists(gedcomPath)) return;
    const int32_t recNo = FindFile(gedcomPath);
    if (recNo < 0) {
        MasterIndexTable.Append();
        MasterIndexTable.StringPut("GEDFILE", NamePart(gedcomPath));
        MasterIndexTable.StringPut("GEDPATH", DirectoryPart(gedcomPath));
    } else {
        MasterIndexTable.Go(recNo);
        MasterIndexTable.Edit();
    }
    MasterIndexTable.StringPut("INDEXFILE", NamePart(lookupPath));
    MasterIndexTable.Post();
}

void TMasterIndex::StoreLastUsed(int32_t recNo, const std::string& pointer) {
    try {
        if (!MasterIndexTable.Active() || recNo <= 0) return;
        if (!MasterIndexTable.Go(recNo)) return;
        if (!MasterIndexTable.Edit()) return;
        MasterIndexTable.StringPut("LASTUSED", pointer);
        if (!MasterIndexTable.Post()) MasterIndexTable.Cancel();
    } catch (...) {
        // Forgetting the person shown last is harmless; leave no edit pending either way.
        try {
            MasterIndexTable.Cancel();
        } catch (...) {
        }
    }
}

void TMasterIndex::TidyMaster() {
    if (!MasterIndexTable.Active()) return;
    int removed = 0;
    MasterIndexTable.First();
    while (!MasterIndexTable.Eof()) {
        const std::string gedcomPath =
            TrimmedField(MasterIndexTable, "GEDPATH") + TrimmedField(MasterIndexTable, "GEDFILE");
        const std::string indexFile = TrimmedField(MasterIndexTable, "INDEXFILE");
        const bool plainName = !indexFile.empty() && indexFile.find('/') == std::string::npos;
        const std::string lookupPath = plainName ? lookupFolder_ + indexFile : std::string();
        if (!RegularFileExists(gedcomPath) || !RegularFileExists(lookupPath)) {
            MasterIndexTable.Delete();
            ++removed;
            if (plainName) {
                // The index goes even when its table was deleted by hand.
                RemoveRegularFile(lookupPath);
                RemoveRegularFile(ReplaceExtension(lookupPath, ".CDX"));
            }
        }
        MasterIndexTable.Skip(1);
    }
    if (removed > 0) MasterIndexTable.Pack();
}

std::string TMasterIndex::NextStem() {
    const uint32_t entry = Host().TickCount();
    uint32_t tick = entry;
    for (int poll = 0; poll < kMaxTickPolls && tick - entry < 2; ++poll) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
        tick = Host().TickCount();
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return LookupStem(local, static_cast<int32_t>(tick));
}

std::string TMasterIndex::NewLookupPath() {
    std::string path;
    for (int attempt = 0; attempt < kMaxPathAttempts; ++attempt) {
        path = lookupFolder_ + "QB" + NextStem() + ".DBF";
        if (path != lastNewPath_ && !PathExists(path) &&
            !PathExists(ReplaceExtension(path, ".CDX"))) {
            break;
        }
    }
    lastNewPath_ = path;
    return path;
}

}  // namespace gedcom
