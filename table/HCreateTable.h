// HCreateTable: writes a new, empty table file (doc/dbf_format.md) for a table component from
// a list of field definition lines such as "NAME;C;70;0".
#pragma once

#include <string>
#include <vector>

#include "table/DbfFormat.h"

class HTable;

// One field of a definition line, as parsed and normalised.
struct HFieldDefinition {
    std::string name;  // at most 10 characters, upper case; empty: the line adds no field
    char type = 'C';   // upper case
    int width = 0;     // effective width (C: up to 65535)
    int decimals = 0;  // 0 for C, D, L, B, G, M
};

// Parses one definition line: name, type letter, width and decimals separated by ";" (the
// decimals are the first three characters after the third ";"). Only the first 10 characters
// of the name are kept and it is upper-cased; type and widths are normalised by type: D is
// 8 wide, L 1, B, G and M 10 (all without decimals); a C field takes the width alone.
// Throws EZadarirError "Field list is invalid" when a ";" is missing or the type is not one
// character, std::invalid_argument ("'x' is not a valid integer value") when the width or
// decimals are not integers, and std::out_of_range ("Range check error") for a width outside
// 0..255 (C: 0..65535) or decimals outside 0..255.
HFieldDefinition ParseFieldDefinition(const std::string& line);

// Creates the table file of DBFTable(): DBFPath() + DBFName(). Not a guard of the file: the
// caller decides when to create. Used from one thread.
class HCreateTable {
public:
    // Replace an existing file without asking.
    bool AutoOverwrite() const { return autoOverwrite_; }
    void SetAutoOverwrite(bool on) { autoOverwrite_ = on; }
    // One field definition per line (see ParseFieldDefinition).
    const std::vector<std::string>& CreateFields() const { return createFields_; }
    void SetCreateFields(const std::vector<std::string>& lines) { createFields_ = lines; }
    // The table whose file is created. Not owned.
    HTable* DBFTable() const { return table_; }
    void SetDBFTable(HTable* table) { table_ = table; }
    // Format of the new file: chooses the version byte.
    HDBFTypes DBFType() const { return type_; }
    void SetDBFType(HDBFTypes type) { type_ = type; }
    // Open the table after creating it (its Exclusive setting is kept).
    bool KeepOpen() const { return keepOpen_; }
    void SetKeepOpen(bool on) { keepOpen_ = on; }

    // Creates the file. Throws EZadarirError "A table is not assigned" without a table and
    // "Cannot perform this operation on an open table" when it is open. When the file exists
    // and AutoOverwrite() is off, asks the host "Table exists.  Do you want to overwrite?"
    // and returns false, writing nothing, unless the answer is yes. Every line is checked
    // before anything is written: an empty list, an invalid line, a repeated name or a list
    // without any field throws "Field list is invalid" (see ParseFieldDefinition for the
    // other errors); a record longer than 65535 bytes or too many fields for the header
    // throws "Range check error". Then writes in one pass the header (today's date, no
    // records), one descriptor per field, 0x0D and 0x1A, and an empty memo file beside a
    // table with B, G or M fields (".FPT" for FoxPro 2, ".DBT" otherwise). A file that cannot
    // be created or written is reported through the table's error route (sub-code 1108 or
    // 1102) and gives false; a file left half-written is removed. Returns true when the file
    // was written.
    bool Execute();

private:
    bool autoOverwrite_ = false;
    std::vector<std::string> createFields_;
    HTable* table_ = nullptr;
    HDBFTypes type_ = HDBFTypes::DBaseIII;
    bool keepOpen_ = false;
};
