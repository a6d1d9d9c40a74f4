// The lookup-table builder on a GEDCOM file of any bytes: the table it leaves must open with
// its index and hold the rows it counted.
#include <string>

#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTargets.h"
#include "fuzz/LookupFuzz.h"
#include "gedcom/GedcomState.h"
#include "gedcom/LookupTableBuilder.h"
#include "gedcom/TextDecoding.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"

namespace fuzz {

bool BuildFuzzLookup(const std::string& gedcomPath, const std::string& lookupPath, int64_t* rows) {
    TGedcomState& state = GedcomState();
    state = TGedcomState();
    state.Decoding = gedcom::ChooseTextDecoding(gedcomPath);
    state.CurrentGedcomPath = gedcomPath;

    HTable table;
    table.SetExclusive(true);
    table.SetTransliterate(state.IbmPc());
    table.OnZadarirError = [](int, int, const std::string&) {};
    HCreateTable creator;
    TSilentBuildProgress progress;
    const gedcom::TLookupBuildResult result =
        gedcom::BuildLookupTable(gedcomPath, lookupPath, creator, table, progress);
    FUZZ_CHECK(!table.Active(), "the builder left its table open");
    *rows = result.rows;
    return !result.failed && !result.cancelled && result.rows >= 0;
}

void FuzzBuilder(const uint8_t* data, size_t size) {
    TRunFiles files({"TREE.GED", "TREE.DBF", "TREE.CDX"});
    WriteBytes(files.Path(0), data, size);
    int64_t rows = 0;
    const bool built = BuildFuzzLookup(files.Path(0), files.Path(1), &rows);
    if (!built || ReadBytes(files.Path(1)).empty()) return;

    HTable table;
    table.SetReadOnly(true);
    table.SetExclusive(false);
    table.SetDBFPath(ScratchDir() + "/run");
    table.SetDBFName("TREE.DBF");
    table.SetActive(true);
    FUZZ_CHECK(table.Active(), "a built lookup table does not open");
    FUZZ_CHECK(table.RecordCount() == rows,
               "the lookup table holds " + std::to_string(table.RecordCount()) +
                   " rows, the builder counted " + std::to_string(rows));
    FUZZ_CHECK(table.IndexOpen("\"" + files.Path(2) + "\"", "NAME"),
               "a built lookup index does not open");
    int64_t seen = 0;
    for (table.First(); !table.Eof() && seen <= rows; table.Skip(1)) {
        ++seen;
        table.StringGet("NAME");
    }
    table.SetTagTo("POINTER");
    int64_t pointers = 0;
    for (table.First(); !table.Eof() && pointers <= rows; table.Skip(1)) ++pointers;
    FUZZ_CHECK(seen == rows && pointers == rows, "the tags hold " + std::to_string(seen) + " and " +
                                                     std::to_string(pointers) + " of " +
                                                     std::to_string(rows) + " rows");
    table.Close();
    GedcomState() = TGedcomState();
}

}  // namespace fuzz
