// TLookupTable: what the person model needs of the lookup table of the open GEDCOM file. The
// table component implements it through a thin adapter; tests use a scanned stand-in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The lookup table holds one row per level-0 record of the GEDCOM file that carries a pointer,
// with the fields RTYPE, NAME, POINTER and OFFSET, and two index tags, NAME and POINTER. The
// table has a cursor (the current record); every call below reads or moves it.
//
// Implementations may throw the table engine's errors; the person model lets them pass.
// Used on the user-interface thread only.
class TLookupTable {
public:
    virtual ~TLookupTable() = default;

    // The current record number (from 1), or a value of 0 or less when the table is on no
    // record.
    virtual int32_t RecNo() const = 0;

    // Moves the cursor to record `recNo`.
    virtual void GoTo(int32_t recNo) = 0;

    // Selects the index tag `tag` ("NAME" or "POINTER") for later finds. Returns false when
    // the tag cannot be selected; the selection is then unchanged.
    virtual bool SelectTag(std::string_view tag) = 0;

    // Looks `key` up exactly in the selected tag. On success the cursor is on the found record
    // and the result is true; on failure the result is false and the cursor's position is
    // unspecified.
    virtual bool FindKey(std::string_view key) = 0;

    // The field `field` ("NAME", "POINTER", "RTYPE") of the current record as text, as stored
    // (character fields may keep their trailing blanks).
    virtual std::string FieldText(std::string_view field) const = 0;

    // The numeric field `field` ("OFFSET") of the current record as a whole number.
    virtual int64_t FieldInteger(std::string_view field) const = 0;

    // Moves the cursor to the next record in the selected tag's order. Returns false, with the
    // cursor's position unspecified, when there is none.
    virtual bool Next() = 0;
};
