// TMasterIndex: the master table that maps every GEDCOM file the program has indexed to its
// lookup table and remembers, per file, the person shown last.
//
// Master table "Quilbet.DBF" (FoxPro 2): GEDFILE C200 (file name, case kept), GEDPATH C200
// (directory with its trailing "/"), INDEXFILE C30 (lookup table file name; the file lives
// in the lookup folder), LASTUSED C20 (pointer of the person shown last, blank until one is
// shown). Compound index "Quilbet.CDX": tag GEDF "UPPER(GEDFILE)", selected while the table
// is open, and tag INDEXF "INDEXFILE"; both ascending in machine order, duplicates allowed.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "table/HCreateTable.h"
#include "table/HTable.h"

namespace gedcom {

// Base-36 digits ("0".."9", "A".."Z") of `value`, most significant first, without leading
// zeros; empty for zero and for negative values. 31 gives "V", 1207061530 gives "JYNIMY".
std::string Base36Text(int64_t value);

// The stem of a new lookup table name: base-36 of (year - 1995), base-36 of the number
// formed by month, day, hour, minute and second of `local` (two digits each), then the
// decimal `tick`. 7 December 2026 06:15:30 with tick 12345 gives "VJYNIMY12345".
std::string LookupStem(const std::tm& local, int32_t tick);

// Owns the master table component and its creation component. The table stays open from
// OpenOrCreate to destruction (exclusively) and is left positioned wherever the last
// operation put it: callers re-position (FindFile, LookupPathOfRow) before reading a row.
// Rows are identified between calls by record number. User-interface thread only.
class TMasterIndex {
public:
    static constexpr const char* kTableName = "Quilbet.DBF";
    static constexpr const char* kIndexName = "Quilbet.CDX";

    // `masterFolder`: where the master table and its index live (empty: the current
    // directory). `lookupFolder`: where the lookup tables live. A missing trailing "/" is
    // added to both. Nothing is opened yet.
    TMasterIndex(const std::string& masterFolder, const std::string& lookupFolder);

    // The master table: exclusive, UseDeleted and Transliterate on.
    HTable MasterIndexTable;
    // Bound to MasterIndexTable: FoxPro 2, overwrite on, keep-open off, the field list above.
    HCreateTable MasterIndexCreator;

    const std::string& LookupFolder() const { return lookupFolder_; }
    // The master table's index file (master folder + kIndexName).
    std::string IndexPath() const;

    // Opens the master table, creating it when it does not exist and its index when that
    // does not exist, and selects tag GEDF. An index file without a table is removed before
    // the new table is created; an index file that cannot be opened, or whose tags do not list
    // every row once (an update killed half-way), is built again; a table that does not open
    // is renamed with ".damaged" added and a new one created. Every error is swallowed: the
    // table may then be inactive, and FindFile then gives -1.
    void OpenOrCreate();

    // The record number of the row for `gedcomPath`, or -1 (also when the table is closed).
    // Name and directory are compared separately, trimmed, with a-z upper-cased, so a path
    // that differs only in letter case finds the row. A row whose own path names another
    // existing file than `gedcomPath` (same name up to case, on a case-sensitive file system)
    // does not match. Leaves the table on the row found.
    int32_t FindFile(const std::string& gedcomPath);

    // Goes to row `recNo` and returns the lookup folder + its INDEXFILE (trailing blanks
    // removed); the table is left on that row. Empty when the table is closed, the row does not
    // exist or its INDEXFILE is blank.
    std::string LookupPathOfRow(int32_t recNo);

    // After a successful build: when both files exist, updates the row of `gedcomPath` (or
    // appends one, with its name and directory as given) so that INDEXFILE names the file of
    // `lookupPath`. LASTUSED is kept. Does nothing when the table is closed; engine errors
    // propagate.
    void RecordPair(const std::string& gedcomPath, const std::string& lookupPath);

    // Writes `pointer` into LASTUSED of row `recNo`. Every error is swallowed.
    void StoreLastUsed(int32_t recNo, const std::string& pointer);

    // Removes every row whose GEDCOM file or lookup table no longer exists, deleting its
    // lookup table and that table's index file when they are there (failed deletions are
    // ignored), then packs the table when a row was removed. Only plain file names in the
    // lookup folder are deleted. Does nothing when the table is closed.
    void TidyMaster();

    // A path lookupFolder + "QB" + stem + ".DBF" for a new lookup table: neither it nor its
    // ".CDX" exists, and it differs from the path this object gave last. Each stem waits
    // until the millisecond tick counter of Host() has moved on by 2, so two calls in a row
    // never give the same stem. Gives up after 100,000 tries and returns the last path.
    std::string NewLookupPath();

private:
    std::string NextStem();
    void BuildTags(const std::string& indexPath);
    // True when each tag lists every row exactly once.
    bool IndexAgreesWithRows();

    std::string masterFolder_;
    std::string lookupFolder_;
    std::string lastNewPath_;
};

}  // namespace gedcom
