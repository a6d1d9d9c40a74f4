// The lookup-table builder: one pass over a GEDCOM file that writes one row per level-0
// record with a pointer (type, sortable name, pointer, byte offset) into a new FoxPro 2
// table, then builds the table's compound index with the tags "NAME" and "POINTER".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gedcom/LookupBuildProgress.h"
#include "gedcom/LookupName.h"

class HCreateTable;
class HTable;

namespace gedcom {

// The creation list of the lookup table (name;type;width;decimals), in field order.
const std::vector<std::string>& LookupTableFields();

struct TLookupBuildResult {
    std::string tablePath;  // lookup path with the extension ".DBF"
    std::string indexPath;  // lookup path with the extension ".CDX"
    // The build-cancel flag stopped the scan; the table holds the rows written before and a
    // complete index over them.
    bool cancelled = false;
    // An engine error reported through the table's OnZadarirError handler ended the build;
    // both files have been removed.
    bool failed = false;
    int64_t rows = 0;
    int64_t individuals = 0;       // records whose level-0 tag is INDI
    int64_t namedIndividuals = 0;  // rows of type "I"
    double scanSeconds = 0;        // reading the file and appending the rows
    double nameTagSeconds = 0;
    double pointerTagSeconds = 0;
};

// Builds the lookup table of `gedcomPath` at `lookupPath` (extension replaced by ".DBF"),
// overwriting any table there, and its index at the same path with ".CDX" (an old index
// file there is removed first). `creator` is bound to `table` and given the lookup table's
// field list, FoxPro 2, overwrite on, keep-open off; `table` keeps its other settings
// (exclusive, Transliterate, OnStatus, OnZadarirError). Each line is decoded by
// GedcomState().Decoding and converted to the table's Windows-1252 (StoredLine) before the
// rules apply. Clears GedcomState().BuildCancelled, then looks
// at it every 200 counted lines, after updating the progress labels. On return the table is
// inactive.
//
// A record is written when the next level-0 line with a pointer or the trailer line starts,
// and the record in progress when the file ends, whether or not there is a trailer line.
// Lines after a trailer belong to no row until the next level-0 line with a pointer.
//
// Failure: an exception (engine error, a GEDCOM file that cannot be opened or read) and an
// error reported through the table's handler both remove the table file and the index file
// before the builder returns, so that no half-built lookup table is left to be used or
// registered; exceptions are rethrown, a handler-reported error gives `failed`.
TLookupBuildResult BuildLookupTable(const std::string& gedcomPath, const std::string& lookupPath,
                                    HCreateTable& creator, HTable& table,
                                    TLookupBuildProgress& progress);

}  // namespace gedcom
