// TScannedLookup: test support. A lookup table built in memory by scanning a GEDCOM file with
// the rules of the lookup-table builder, so that the person model can be tested on real files
// without the table engine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gedcom/TextDecoding.h"
#include "person/LookupTable.h"

// One row per level-0 record that has a pointer, numbered from 1 in file order:
//   RTYPE   "I" for an individual's record (INDI after the pointer) whose last "1 NAME"
//           line gives a name (gedcom::ComposeLookupName), "R" otherwise;
//   NAME    "Surname, Given" composed from that NAME line (empty for other records), read
//           back blank-padded to 70 characters like the table's character field;
//   POINTER the text between the first two at-signs, read back padded to 20;
//   OFFSET  the byte offset of the level-0 line.
// Finds on the "POINTER" tag compare the keys padded to 20 with letters upper-cased, the way
// the tag's general collation weighs a letter and its lower-case form the same; among equal
// keys the lowest record number wins. Finds on the "NAME" tag compare the whole key
// RTYPE + upper-cased NAME exactly. Lines are decoded by `decoding` and stored in the table's
// Windows-1252 (gedcom::StoredLine). Throws std::runtime_error when the file cannot be read.
class TScannedLookup : public TLookupTable {
public:
    struct Row {
        std::string rtype;
        std::string name;
        std::string pointer;
        int64_t offset = 0;
    };

    explicit TScannedLookup(const std::string& gedcomPath,
                            gedcom::TextDecoding decoding = gedcom::TextDecoding::Utf8);

    int32_t RecNo() const override { return recNo_; }
    void GoTo(int32_t recNo) override { recNo_ = recNo; }
    bool SelectTag(std::string_view tag) override;
    bool FindKey(std::string_view key) override;
    std::string FieldText(std::string_view field) const override;
    int64_t FieldInteger(std::string_view field) const override;
    bool Next() override;

    const std::vector<Row>& Rows() const { return rows_; }
    const std::string& SelectedTag() const { return tag_; }
    // Number of FindKey calls so far.
    int FindCount() const { return findCount_; }
    // Makes every later SelectTag("NAME") fail, as a damaged index would.
    void FailNameTag(bool fail) { failNameTag_ = fail; }

private:
    std::string KeyOf(size_t i) const;
    const Row* Current() const;

    std::vector<Row> rows_;
    int32_t recNo_ = 1;
    std::string tag_ = "NAME";
    int findCount_ = 0;
    bool failNameTag_ = false;
};
