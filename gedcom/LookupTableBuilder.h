// The lookup-table builder: one pass over a GEDCOM file that writes one row per level-0
// record with a pointer (type, sortable name, pointer, byte offset) into a new FoxPro 2
// table, then builds the table's compound index with the tags "NAME" and "POINTER".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gedcom/LookupBuildProgress.h"
#include "gedcom/FileErrors.h"
#include "gedcom/LookupName.h"

class HCreateTable;
class HTable;

namespace gedcom {

// The creation list of the lookup table (name;type;width;decimals), in field order.
const std::vector<std::string>& LookupTableFields();

struct TLookupBuildResult {
    std::string tablePath;  // lookup path with the extension ".DBF"
    std::string indexPath;  // lookup path with the extension ".CDX"
    // The build-cancel flag stopped the build; nothing was written in place.
    bool cancelled = false;
    // An engine error reported through the table's OnZadarirError handler ended the build;
    // nothing was written in place.
    bool failed = false;
    // Not empty when the build was refused before it began: the target and why, such as
    // "/a/LOOKUP.DBF is the GEDCOM file itself". Nothing was written.
    std::string refused;
    // The files the build wrote or read, and how a message names each (a temporary file as
    // the target it becomes): for DescribeEngineError of an error the table's handler saw.
    std::vector<TKnownPath> files;
    int64_t rows = 0;
    int64_t individuals = 0;       // records whose level-0 tag is INDI
    int64_t namedIndividuals = 0;  // rows of type "I"
    double scanSeconds = 0;        // reading the file and appending the rows
    double nameTagSeconds = 0;
    double pointerTagSeconds = 0;
};

// Builds the lookup table of `gedcomPath` at `lookupPath` (extension replaced by ".DBF") and
// its index at the same path with ".CDX". `creator` is bound to `table` and given the lookup
// table's field list, FoxPro 2, keep-open off; `table` keeps its other settings (exclusive,
// Transliterate, OnStatus, OnZadarirError). Each line is decoded by GedcomState().Decoding and
// converted to the table's Windows-1252 (StoredLine) before the rules apply. Clears
// GedcomState().BuildCancelled, then looks at it while waiting for the folder and every 200
// counted lines of the scan, after updating the progress labels. On return the table is
// inactive (and names the target).
//
// Safety (LookupFiles.h): builds into one folder run one after the other; a target that is
// not a regular file, is the GEDCOM file itself or is not a table (an index) is refused. The
// table and index are written under temporary names, stamped as a pair, and renamed over the
// targets only when both are complete; until then nothing that exists is touched, and a
// cancel, a failure or an exception leaves the targets as they were and removes the
// temporary files. A successful result names the files now in place.
//
// A record is written when the next level-0 line with a pointer or the trailer line starts,
// and the record in progress when the file ends, whether or not there is a trailer line.
// Lines after a trailer belong to no row until the next level-0 line with a pointer.
//
// Failure: an engine error reported through the table's handler gives `failed`; exceptions
// (engine errors, a GEDCOM file that cannot be read, files that cannot be put in place) are
// rethrown, an engine error as an EZadarirError with the same code whose message says in
// words what went wrong with which file (DescribeEngineError).
TLookupBuildResult BuildLookupTable(const std::string& gedcomPath, const std::string& lookupPath,
                                    HCreateTable& creator, HTable& table,
                                    TLookupBuildProgress& progress);

}  // namespace gedcom
