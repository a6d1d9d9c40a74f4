// TTableLookup: the lookup table of the open GEDCOM file, as the person model sees it, over
// the table component that has it open.
#pragma once

#include "person/LookupTable.h"

class HTable;

// Forwards the person model's calls to an open `HTable` on a lookup table with its NAME and
// POINTER tags. Finds are exact whatever the table's own setting: a pointer must never land on
// a longer pointer that begins with it ("I1" is not "I10"). The table is not owned and must
// outlive the adapter. Engine errors pass through as exceptions.
class TTableLookup : public TLookupTable {
public:
    explicit TTableLookup(HTable& table) : table_(table) {}

    int32_t RecNo() const override;
    void GoTo(int32_t recNo) override;
    // True when `tag` is the table's order afterwards.
    bool SelectTag(std::string_view tag) override;
    bool FindKey(std::string_view key) override;
    std::string FieldText(std::string_view field) const override;
    // Read as a number, so offsets beyond 2 GiB survive.
    int64_t FieldInteger(std::string_view field) const override;
    bool Next() override;

private:
    HTable& table_;
};
