// A table file of any bytes, opened read-only as the viewer opens a lookup table, every record
// and every field read through the table component and the table object.
#include <algorithm>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTargets.h"
#include "table/HDBFTable.h"
#include "table/HTable.h"

namespace fuzz {
namespace {

// More records than a 16 KB file can hold with the shortest record (2 bytes).
constexpr int kMostSteps = 9000;

void ReadFields(HTable& table) {
    HDBFTable& object = *table.Table();
    for (int f = 1; f <= table.FieldCount(); ++f) {
        const std::string name = table.FieldName(f);
        table.StringGet(name);
        object.ClearLastError();
        const std::string stored = object.FieldGet(f);
        FUZZ_CHECK(
            stored.size() == static_cast<size_t>(table.FieldWidth(f)) || object.LastError() != 0,
            "a field's stored text is not as wide as the field");
        object.DisplayText(f);
        switch (table.FieldType(f)) {
            case 'N':
            case 'F':
            case 'B':
            case 'I':
            case 'Y':
            case 'T':
            case 'G':
            case 'M':
                object.NumberGet(f);
                table.IntegerGet(name);
                break;
            case 'D':
                object.DateGet(f);
                break;
            default:
                break;
        }
        object.ClearLastError();
    }
    object.Deleted();
}

// Forward from the top, backward from the bottom, then every record by number.
void ReadEverything(HTable& table) {
    int steps = 0;
    for (table.First(); !table.Eof() && steps < kMostSteps; table.Skip(1), ++steps) {
        ReadFields(table);
    }
    steps = 0;
    for (table.Last(); !table.Bof() && steps < kMostSteps; table.Skip(-1), ++steps) {
        ReadFields(table);
    }
    const int count = std::min(table.RecordCount(), kMostSteps);
    for (int n = 1; n <= count + 1; ++n) {
        table.Go(n);
        ReadFields(table);
    }
    table.Go(hmove::kCurrent);
    table.GoPercent(50);
    table.Percent();
}

}  // namespace

void FuzzDbf(const uint8_t* data, size_t size) {
    TRunFiles files({"FUZZ.DBF"});
    WriteBytes(files.Path(0), data, size);

    HTable table;
    int errors = 0;
    table.OnZadarirError = [&errors](int, int, const std::string&) { ++errors; };
    table.SetReadOnly(true);
    table.SetExclusive(false);
    table.SetDBFPath(ScratchDir() + "/run");
    table.SetDBFName("FUZZ.DBF");
    table.SetActive(true);
    if (!table.Active()) return;
    FUZZ_CHECK(table.RecordCount() >= 0, "negative record count");

    ReadEverything(table);
    table.SetUseDeleted(true);
    table.Table()->SetReadAhead(true);
    ReadEverything(table);
    table.Close();
}

}  // namespace fuzz
