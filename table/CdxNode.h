// Encoding and decoding of the pages of a compound index: the 1024-byte tag header, interior
// nodes and compressed leaves (doc/cdx_format.md). Pure functions over byte buffers: no I/O.
//
// Decoders never trust their input: every count, width and offset is checked against the
// page, and a page that does not fit is reported as damaged (code 2112, sub-code -7) instead
// of being read out of bounds.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "table/CdxFormat.h"
#include "table/HStatus.h"
#include "table/KeyCollation.h"

using HCdxPage = std::array<uint8_t, cdx::kPageSize>;

// --- Tag header ----------------------------------------------------------------------------

struct HCdxTagHeader {
    uint32_t root = 0;
    uint32_t changeCounter = 0;
    uint16_t keyLength = 0;
    uint8_t options = cdx::kOptionsOrdinary;
    bool general = false;  // general collation: signature 2 and "GENERAL" (never the directory)
    bool descending = false;
    std::string keyExpression;
    std::string forExpression;

    bool IsDirectory() const { return (options & cdx::kOptDirectory) != 0; }
    bool Unique() const { return (options & cdx::kOptUnique) != 0; }
};

// Options byte of a new tag: 0x60 (0xE0 for the directory), plus 0x01 unique and 0x08 FOR.
uint8_t TagOptions(bool directory, bool unique, bool hasFor);

// The 1024 bytes of `header`: zero-filled, then every field set. The free-page list is 0.
std::array<uint8_t, cdx::kTagHeaderSize> EncodeTagHeader(const HCdxTagHeader& header);

// Reads a header from 1024 bytes. Rejects (damaged, text `fileName`) a root offset that is
// zero, not a multiple of 512 or whose page does not lie inside `fileSize`; a key length of
// 0 or above 240; an empty key expression on an ordinary tag. The expressions are taken up to
// their NULs (or the end of the page) and normalised.
HStatus DecodeTagHeader(const uint8_t* bytes, uint64_t fileSize, const std::string& fileName,
                        HCdxTagHeader& out);

// --- Nodes -----------------------------------------------------------------------------------

struct HCdxLeafWidths {
    uint8_t recordBits = 0;
    uint8_t dupBits = 0;
    uint8_t trailBits = 0;
    uint8_t bytesPerEntry = 0;
    uint32_t recordMask = 0;
    uint8_t dupMask = 0;
    uint8_t trailMask = 0;
};

// Field widths of a leaf for keys of `keyLength` bytes and record numbers up to
// `largestRecord` (the record count; for the directory the index file size).
HCdxLeafWidths LeafWidths(int keyLength, uint32_t largestRecord);

// One key of a node. `key` is in index form without its trailing pad; `child` is used by
// interior nodes only.
struct HCdxEntry {
    std::string key;
    uint32_t record = 0;
    uint32_t child = 0;
};

struct HCdxNode {
    uint16_t attributes = cdx::kAttrLeafRoot;
    uint32_t left = cdx::kNoSibling;
    uint32_t right = cdx::kNoSibling;
    std::vector<HCdxEntry> entries;
    HCdxLeafWidths widths;  // leaves: as read or as to be written
    int freeBytes = 0;      // leaves: free bytes of the key area as read

    bool IsLeaf() const { return (attributes & cdx::kAttrLeafBit) != 0; }
    bool IsRoot() const { return (attributes & cdx::kAttrRootBit) != 0; }
};

// Bytes a key takes in a leaf after `previous` (empty for the first key): bytes per entry
// plus the stored key bytes.
int LeafEntryCost(const std::string& previous, const std::string& key, const HKeyShape& shape,
                  const HCdxLeafWidths& widths);

// Maximum keys per interior node: 500 div (key length + 8).
int MaxInteriorKeys(int keyLength);

// Encodes a compressed leaf page entry by entry, as keys arrive: the entries grow from the
// front of the key area, the stored key bytes from its back. EncodeLeaf and the bottom-up
// writer both use it.
class HCdxLeafBuilder {
public:
    HCdxLeafBuilder(const HKeyShape& shape, const HCdxLeafWidths& widths);

    // Starts an empty page.
    void Reset();
    // Appends a key (index form; cut to the key length) with its record number. False, and
    // nothing written, when the record number exceeds the mask or the key does not fit.
    bool Append(std::string_view key, uint32_t record);
    // Completes the header; the page is then whole.
    const HCdxPage& Finish(uint16_t attributes, uint32_t left, uint32_t right);

    int Count() const { return static_cast<int>(count_); }
    // Bytes left in the key area.
    int FreeBytes() const { return keyEnd_ - entryPos_; }
    // The last key appended (cut to the key length) and its record number.
    std::string_view LastKey() const { return std::string_view(last_, lastLength_); }
    uint32_t LastRecord() const { return lastRecord_; }

private:
    HKeyShape shape_;
    HCdxLeafWidths widths_;
    int dupShift_;
    int trailShift_;
    HCdxPage page_{};
    int entryPos_ = 0;
    int keyEnd_ = 0;
    uint32_t count_ = 0;
    char last_[cdx::kMaxKeyLength];
    size_t lastLength_ = 0;
    size_t lastOwn_ = 0;
    uint32_t lastRecord_ = 0;
};

// Writes `node` as a compressed leaf with node.widths. Returns false (page unspecified) when
// the entries do not fit in the 488-byte key area or a record number exceeds the mask.
bool EncodeLeaf(const HCdxNode& node, const HKeyShape& shape, HCdxPage& page);

// Writes `node` as an interior node. The bytes after the last entry are zero, or the pad byte
// when `padTail` (a node rewritten by an update). Returns false when the entries exceed the
// maximum keys per interior node.
bool EncodeInterior(const HCdxNode& node, const HKeyShape& shape, bool padTail, HCdxPage& page);

// Decodes a leaf or interior node, checking it against the page and `shape.keyLength`.
// On damage returns code 2112, sub-code -7, text `fileName`; `out` is then unspecified.
HStatus DecodeNode(const HCdxPage& page, const HKeyShape& shape, const std::string& fileName,
                   HCdxNode& out);
