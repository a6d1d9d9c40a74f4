// The small tables the fuzz targets work against, written byte by byte (doc/dbf_format.md) so
// that the targets and the seed corpus made from them always agree on their contents.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

struct TFieldSpec {
    const char* name;
    char type;
    int width;
    int decimals;
};

// The bytes of a table file: header (dated 2026-01-01), descriptors, terminator (and the 263
// bytes of a version 0x30 table), `records` (each record length bytes, deletion flag first)
// and the end-of-file byte.
std::string TableBytes(uint8_t version, const std::vector<TFieldSpec>& fields,
                       const std::vector<std::string>& records);

// One record of text fields: each value cut or blank-padded to its field's width, numbers
// right-aligned, everything else left-aligned; values past the list are blank.
std::string TextRecord(const std::vector<TFieldSpec>& fields,
                       const std::vector<std::string>& values, bool deleted = false);

// The table the index target reads its input against: a lookup table with a few more fields
// (RTYPE, NAME, POINTER, OFFSET, AMOUNT, BIRTH, ALIVE), 150 records with repeated, accented,
// blank and deleted entries. Plain dBase III (version 0x03).
const std::vector<TFieldSpec>& IndexTableFields();
std::string IndexTableBytes();
// Typed keys worth finding in any tag over that table.
const std::vector<std::string>& IndexTableKeys();
// Key and FOR expressions of the tags the seed corpus builds over it: name, key expression,
// FOR expression, sort-order code, unique code (0 unique, 1 duplicates).
struct TTagSpec {
    const char* name;
    const char* key;
    const char* forExpression;
    int option;
    int unique;
};
const std::vector<TTagSpec>& IndexTableTags();

// The table whose record the key-expression target fills: a version 0x30 table with a field
// of every type the evaluator knows, including the binary ones, and three sample records.
const std::vector<TFieldSpec>& KeyTableFields();
std::string KeyTableBytes();
// The sample records (record length bytes each).
std::vector<std::string> KeyTableRecords();
int KeyTableRecordLength();

}  // namespace fuzz
