// Persons of a GEDCOM file of any bytes loaded through its own lookup table, as the main window
// loads the person it shows, with the narrative, the notes and the raw record.
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTargets.h"
#include "fuzz/LookupFuzz.h"
#include "gedcom/GedcomState.h"
#include "gedcom/GedcomStrings.h"
#include "person/GedcomPerson.h"
#include "person/Narrative.h"
#include "person/TableLookup.h"
#include "table/HTable.h"

namespace fuzz {
namespace {

// Pointers to load: those of the first rows and of the last, then two that are in no table.
std::vector<std::string> PointersToLoad(HTable& table) {
    std::vector<std::string> pointers;
    const int32_t count = table.RecordCount();
    for (int32_t n = 1; n <= count && n <= 6; ++n) {
        table.Go(n);
        pointers.push_back(std::string(gedcom::Trim(table.StringGet("POINTER"))));
    }
    if (count > 6) {
        table.Go(count);
        pointers.push_back(std::string(gedcom::Trim(table.StringGet("POINTER"))));
    }
    pointers.push_back("NO SUCH POINTER");
    pointers.push_back("");
    return pointers;
}

void CheckPerson(const TGedcomPerson& person) {
    if (!person.Known()) {
        FUZZ_CHECK(person.FRawRecord.empty(), "an unknown person has a record");
        return;
    }
    FUZZ_CHECK(!person.FRawRecord.empty(), "a known person has no record");
    for (const std::string& line : person.FRawRecord) {
        FUZZ_CHECK(ValidUtf8(line), "a record line is not UTF-8");
    }
    FUZZ_CHECK(ValidUtf8(person.Name()), "a name is not UTF-8");
}

}  // namespace

void FuzzPerson(const uint8_t* data, size_t size) {
    TRunFiles files({"TREE.GED", "TREE.DBF", "TREE.CDX"});
    const std::string gedcomPath = files.Path(0);
    WriteBytes(gedcomPath, data, size);
    int64_t rows = 0;
    if (!BuildFuzzLookup(gedcomPath, files.Path(1), &rows) || ReadBytes(files.Path(1)).empty()) {
        return;
    }

    // Opened as the viewer opens a lookup table.
    HTable table;
    table.SetReadOnly(true);
    table.SetExclusive(false);
    table.SetTransliterate(GedcomState().IbmPc());
    table.SetDBFPath(ScratchDir() + "/run");
    table.SetDBFName("TREE.DBF");
    table.SetActive(true);
    FUZZ_CHECK(table.IndexOpen("\"" + files.Path(2) + "\"", "NAME"),
               "a built lookup index does not open");
    table.First();

    const std::vector<std::string> pointers = PointersToLoad(table);
    TTableLookup lookup(table);
    TGedcomPerson person(TPersonKind::pkMain, lookup);
    std::vector<std::string> lines;
    for (size_t p = 0; p < pointers.size(); ++p) {
        const std::string& pointer = pointers[p];
        // The table's pointers may be the first 20 characters of longer ones.
        const bool fromTable = p + 2 < pointers.size();
        try {
            person.LoadByPointer(pointer, fromTable);
        } catch (const EGedcomFileChanged& e) {
            Fail(__FILE__, __LINE__,
                 std::string("a table built from the file a moment ago does not fit it: ") +
                     e.what());
        }
        CheckPerson(person);
        CheckPerson(*person.FFather);
        CheckPerson(*person.FMaternalGrandmother);
        for (size_t i = 0; i < person.SpouseCount(); ++i) {
            CheckPerson(person.Spouse(i));
            for (size_t c = 0; c < person.Spouse(i).ChildCount(); ++c) {
                CheckPerson(person.Spouse(i).Child(c));
            }
        }
        if (person.Known()) {
            BuildNarrative(person, lines);
            for (const std::string& line : lines) {
                FUZZ_CHECK(ValidUtf8(line), "a narrative line is not UTF-8");
            }
        }
        BornText(person);
        DiedText(person);
        DisplayName(person.StoredName());
        // The record browser reads records by pointer too.
        try {
            TGedcomPerson::ReadRecordByPointer(lookup, pointer, gedcomPath, lines);
        } catch (const EGedcomFileChanged& e) {
            Fail(__FILE__, __LINE__,
                 std::string("the record browser finds a changed file: ") + e.what());
        }
    }
    table.Close();
    GedcomState() = TGedcomState();
}

}  // namespace fuzz
