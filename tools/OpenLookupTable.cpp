#include "tools/OpenLookupTable.h"

#include "gedcom/FilePaths.h"
#include "gedcom/GedcomStrings.h"
#include "table/HTable.h"

namespace {

// The table as given when it exists, else with the extension ".DBF".
std::string TablePath(const std::string& given) {
    return gedcom::RegularFileExists(given) ? given : gedcom::ReplaceExtension(given, ".DBF");
}

// The index beside the table: same base name, ".CDX" (or ".cdx" when only that exists).
std::string IndexPath(const std::string& table) {
    const std::string upper = gedcom::ReplaceExtension(table, ".CDX");
    const std::string lower = gedcom::ReplaceExtension(table, ".cdx");
    return !gedcom::RegularFileExists(upper) && gedcom::RegularFileExists(lower) ? lower : upper;
}

}  // namespace

std::string OpenLookupTable(HTable& table, const std::string& given) {
    const std::string tablePath = TablePath(given);
    const std::string indexPath = IndexPath(tablePath);
    if (!gedcom::RegularFileExists(tablePath)) return "no such lookup table: " + tablePath;
    if (!gedcom::RegularFileExists(indexPath)) return "no such lookup table index: " + indexPath;
    table.SetReadOnly(true);
    table.SetExclusive(false);
    table.SetDBFPath(gedcom::DirectoryPart(tablePath));
    table.SetDBFName(gedcom::NamePart(tablePath));
    table.SetActive(true);
    if (!table.IndexOpen("\"" + indexPath + "\"", "NAME") ||
        gedcom::AsciiUpper(table.Table()->OrderName()) != "NAME") {
        return "no NAME tag in " + indexPath;
    }
    return "";
}

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}
