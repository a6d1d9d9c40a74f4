// lineatum-tool person FILE.ged LOOKUP.DBF POINTER: loads one person as the main window does
// (same model, same narrative and notes) and prints what its views would show.
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "gedcom/TextDecoding.h"
#include "gedcom/FileErrors.h"
#include "gedcom/FilePaths.h"
#include "gedcom/GedcomState.h"
#include "gedcom/GedcomStrings.h"
#include "gedcom/StoredText.h"
#include "person/GedcomPerson.h"
#include "person/Narrative.h"
#include "person/TableLookup.h"
#include "table/EZadarirError.h"
#include "table/HTable.h"
#include "tools/Commands.h"

namespace {

const char* const kUsage = "usage: lineatum-tool person FILE.ged LOOKUP.DBF POINTER";

void PrintLine(const std::string& text) { std::printf("%s\n", text.c_str()); }

void PrintLabelled(const char* label, const TGedcomPerson& person) {
    PrintLine(std::string(label) + ": " + person.Name());
}

void PrintSection(const char* title) { PrintLine(std::string("== ") + title + " =="); }

// Engine messages may span lines; the tool reports in one.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

void PrintPerson(const TGedcomPerson& person) {
    PrintSection("Pedigree");
    PrintLabelled("Person", person);
    PrintLabelled("Father", *person.FFather);
    PrintLabelled("Mother", *person.FMother);
    PrintLabelled("Paternal grandfather", *person.FPaternalGrandfather);
    PrintLabelled("Paternal grandmother", *person.FPaternalGrandmother);
    PrintLabelled("Maternal grandfather", *person.FMaternalGrandfather);
    PrintLabelled("Maternal grandmother", *person.FMaternalGrandmother);

    PrintSection("Spouses and children");
    for (size_t i = 0; i < person.SpouseCount(); ++i) {
        const TGedcomPerson& spouse = person.Spouse(i);
        PrintLine("Spouse " + std::to_string(i + 1) + ": " + spouse.Name());
        PrintLine("  Marriage date: " + spouse.FMarriageDate);
        PrintLine("  Marriage place: " + spouse.FMarriagePlace);
        for (size_t c = 0; c < spouse.ChildCount(); ++c) {
            PrintLine("  Child " + std::to_string(c + 1) + ": " + spouse.Child(c).Name());
        }
    }

    PrintSection("Siblings");
    for (size_t i = 0; i < person.SiblingCount(); ++i) {
        PrintLine("Sibling " + std::to_string(i + 1) + ": " + person.Sibling(i).Name());
    }

    PrintSection("Narrative");
    std::vector<std::string> narrative;
    BuildNarrative(person, narrative);
    for (const std::string& line : narrative) PrintLine(line);

    PrintSection("Notes");
    for (const std::string& line : person.FNotes) PrintLine(line);
}

}  // namespace

int RunPerson(const ToolArgs& args) {
    if (args.size() != 3) return ToolError(kUsage);
    const std::string& gedcomPath = args[0];
    // The pointer is taken with or without its at-signs: "@I1@" and "I1" name the same person.
    std::string_view pointer = gedcom::Trim(args[2]);
    if (pointer.size() >= 2 && pointer.front() == '@' && pointer.back() == '@') {
        pointer = pointer.substr(1, pointer.size() - 2);
    }
    if (gedcom::IsBlank(pointer) || pointer.find('@') != std::string_view::npos) {
        return ToolError("bad pointer \"" + args[2] + "\"; " + kUsage);
    }
    if (!gedcom::RegularFileExists(gedcomPath)) return ToolError("no such file: " + gedcomPath);
    const std::string tablePath = gedcom::ReplaceExtension(args[1], ".DBF");
    const std::string indexPath = gedcom::ReplaceExtension(args[1], ".CDX");
    if (!gedcom::RegularFileExists(tablePath)) {
        return ToolError("no such lookup table: " + tablePath);
    }
    if (!gedcom::RegularFileExists(indexPath)) {
        return ToolError("no such lookup table index: " + indexPath);
    }

    try {
        TGedcomState& state = GedcomState();
        state.Decoding = gedcom::ChooseTextDecoding(gedcomPath);
        state.CurrentGedcomPath = gedcomPath;

        // Opened as the viewer opens it, but never written: another program may have it open.
        HTable table;
        table.SetReadOnly(true);
        table.SetExclusive(false);
        table.SetTransliterate(state.IbmPc());
        table.SetDBFPath(gedcom::DirectoryPart(tablePath));
        table.SetDBFName(gedcom::NamePart(tablePath));
        table.SetActive(true);
        if (!table.IndexOpen("\"" + indexPath + "\"", "NAME")) {
            return ToolError("cannot open the index " + indexPath);
        }
        table.First();

        TTableLookup lookup(table);
        TGedcomPerson person(TPersonKind::pkMain, lookup);
        person.LoadByPointer(gedcom::ToStoredText(pointer), true);
        if (!person.Known()) {
            return ToolError("no record with the pointer \"" + std::string(pointer) + "\" in " +
                             tablePath);
        }
        PrintPerson(person);
    } catch (const EZadarirError& e) {
        if (e.Code() == 0) return ToolError(OneLine(e.what()));
        return ToolError(gedcom::DescribeEngineError(
            e.Code(), e.SubCode(), e.Text(), {{tablePath, ""}, {indexPath, ""}, {gedcomPath, ""}}));
    } catch (const EGedcomFileChanged& e) {
        // Never a person made of two records: exit 3 says the table must be built again.
        ToolError(e.what());
        return 3;
    } catch (const std::exception& e) {
        return ToolError(OneLine(e.what()));
    }
    return 0;
}
