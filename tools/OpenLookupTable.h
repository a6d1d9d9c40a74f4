// Opening a lookup table for the commands that read it through its NAME tag, and the one-line
// form of the messages they report.
#pragma once

#include <string>

class HTable;

// Opens the lookup table `given` (that file when it exists, else `given` with the extension
// ".DBF") into `table`, read-only and shared as the viewer opens it but never written, since
// another program may have it open; its index is the file beside it with the same base name
// and the extension ".CDX" (or ".cdx" when only that exists), and the index's NAME tag becomes
// the table's order. Returns an empty string on success, else the reason in one line (no such
// table, no such index, no NAME tag). Engine errors pass through as exceptions.
// REQUIRES: `table` is not active.
std::string OpenLookupTable(HTable& table, const std::string& given);

// `text` with its line ends turned into blanks and trailing blanks removed: engine messages
// may span lines, the tool reports in one.
std::string OneLine(std::string text);
