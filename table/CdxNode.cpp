// Page codec of the compound index. Little-endian except the record number and child of an
// interior entry, which are big-endian.
#include "table/CdxNode.h"

#include <algorithm>
#include <cstring>

#include "table/KeyExpression.h"

namespace {

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint32_t Get32BE(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put32BE(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

HStatus Damaged(const std::string& fileName) {
    return HStatus::Error(cdx::kDamagedCode, cdx::kDamagedSubCode, fileName);
}

// Text from `p` up to its NUL or `limit` bytes.
std::string TextUpToNul(const uint8_t* p, size_t limit) {
    size_t n = 0;
    while (n < limit && p[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

size_t CommonPrefix(const std::string& a, size_t aLen, const std::string& b, size_t bLen) {
    return CommonPrefixLength(std::string_view(a.data(), aLen), std::string_view(b.data(), bLen));
}

// Own length of `key` in a leaf of `shape`, never more than the key length.
size_t LeafOwnLength(std::string_view key, const HKeyShape& shape) {
    return std::min(OwnKeyLength(key, shape.kind), static_cast<size_t>(shape.keyLength));
}

}  // namespace

uint8_t TagOptions(bool directory, bool unique, bool hasFor) {
    uint8_t options = directory ? cdx::kOptionsDirectory : cdx::kOptionsOrdinary;
    if (unique) options |= cdx::kOptUnique;
    if (hasFor) options |= cdx::kOptHasFor;
    return options;
}

std::array<uint8_t, cdx::kTagHeaderSize> EncodeTagHeader(const HCdxTagHeader& h) {
    std::array<uint8_t, cdx::kTagHeaderSize> b{};
    Put32(&b[cdx::kRootOffsetPos], h.root);
    Put32(&b[cdx::kFreeListPos], 0);
    Put32(&b[cdx::kChangeCounterPos], h.changeCounter);
    Put16(&b[cdx::kKeyLengthPos], h.keyLength);
    b[cdx::kOptionsPos] = h.options;
    const bool general = h.general && !h.IsDirectory();
    b[cdx::kSignaturePos] = general ? cdx::kSignatureGeneral : cdx::kSignatureMachine;
    if (general) std::memcpy(&b[cdx::kCollationPos], "GENERAL", 8);
    Put16(&b[cdx::kDescendingPos], h.descending ? 1 : 0);
    // Both texts must fit in the page with their NULs; longer ones are cut.
    std::string key = h.keyExpression.substr(0, 255);
    std::string forText = h.forExpression.substr(0, 510 - key.size());
    Put16(&b[cdx::kKeyExprLengthPos], static_cast<uint32_t>(key.size() + 1));
    Put16(&b[cdx::kForExprLengthPos], static_cast<uint32_t>(forText.size() + 1));
    Put16(&b[cdx::kKeyExprLengthPos2], static_cast<uint32_t>(key.size() + 1));
    std::memcpy(&b[cdx::kExpressionPos], key.data(), key.size());
    if (!forText.empty())
        std::memcpy(&b[cdx::kExpressionPos + key.size() + 1], forText.data(), forText.size());
    return b;
}

HStatus DecodeTagHeader(const uint8_t* b, uint64_t fileSize, const std::string& fileName,
                        HCdxTagHeader& out) {
    out = HCdxTagHeader{};
    out.root = Get32(b + cdx::kRootOffsetPos);
    out.changeCounter = Get32(b + cdx::kChangeCounterPos);
    out.keyLength = Get16(b + cdx::kKeyLengthPos);
    out.options = b[cdx::kOptionsPos];
    out.general = std::memcmp(b + cdx::kCollationPos, "GENERAL", 8) == 0;
    out.descending = Get16(b + cdx::kDescendingPos) == 1;
    const uint8_t* texts = b + cdx::kExpressionPos;
    const size_t area = cdx::kTagHeaderSize - cdx::kExpressionPos;
    out.keyExpression = TextUpToNul(texts, area);
    if (out.keyExpression.size() + 1 < area)
        out.forExpression =
            TextUpToNul(texts + out.keyExpression.size() + 1, area - out.keyExpression.size() - 1);
    NormalizeExpression(out.keyExpression);
    NormalizeExpression(out.forExpression);

    if (out.root == 0 || out.root % cdx::kPageSize != 0 ||
        static_cast<uint64_t>(out.root) + cdx::kPageSize > fileSize)
        return Damaged(fileName);
    if (out.keyLength == 0 || out.keyLength > cdx::kMaxKeyLength) return Damaged(fileName);
    if (!out.IsDirectory() && out.keyExpression.empty()) return Damaged(fileName);
    return HStatus::Ok();
}

HCdxLeafWidths LeafWidths(int keyLength, uint32_t largestRecord) {
    int n = 0;
    while (n < 8 && (1 << n) <= keyLength) ++n;
    HCdxLeafWidths w;
    w.dupBits = w.trailBits = static_cast<uint8_t>(n);
    w.dupMask = w.trailMask = static_cast<uint8_t>((1 << n) - 1);
    w.bytesPerEntry = 3;
    int bits = 24 - 2 * n;
    uint64_t mask = (1ull << bits) - 1;
    while (mask < largestRecord) {
        ++w.bytesPerEntry;
        bits += 8;
        mask = mask * 256 + 255;
        if (mask > cdx::kMaxRecordMask) {
            mask = cdx::kMaxRecordMask;
            bits = 31;
            break;
        }
    }
    w.recordBits = static_cast<uint8_t>(bits);
    w.recordMask = static_cast<uint32_t>(mask);
    return w;
}

int LeafEntryCost(const std::string& previous, const std::string& key, const HKeyShape& shape,
                  const HCdxLeafWidths& widths) {
    const size_t own = LeafOwnLength(key, shape);
    const size_t dup = CommonPrefix(previous, LeafOwnLength(previous, shape), key, own);
    return widths.bytesPerEntry + static_cast<int>(own - dup);
}

int MaxInteriorKeys(int keyLength) { return cdx::kInteriorArea / (keyLength + 8); }

HCdxLeafBuilder::HCdxLeafBuilder(const HKeyShape& shape, const HCdxLeafWidths& widths)
    : shape_(shape),
      widths_(widths),
      dupShift_(widths.bytesPerEntry * 8 - widths.trailBits - widths.dupBits),
      trailShift_(widths.bytesPerEntry * 8 - widths.trailBits) {
    Reset();
}

void HCdxLeafBuilder::Reset() {
    page_.fill(0);
    entryPos_ = 0;
    keyEnd_ = cdx::kLeafKeyAreaSize;
    count_ = 0;
    lastLength_ = 0;
    lastOwn_ = 0;
    lastRecord_ = 0;
}

bool HCdxLeafBuilder::Append(std::string_view key, uint32_t record) {
    const int bpe = widths_.bytesPerEntry;
    if (record > widths_.recordMask) return false;
    const size_t own = LeafOwnLength(key, shape_);
    if (key.size() > static_cast<size_t>(shape_.keyLength)) key = key.substr(0, shape_.keyLength);
    const size_t dup = CommonPrefixLength(std::string_view(last_, lastOwn_), key.substr(0, own));
    const size_t trail = static_cast<size_t>(shape_.keyLength) - own;
    const size_t partLength = own - dup;
    if (entryPos_ + bpe > keyEnd_ - static_cast<int>(partLength)) return false;
    uint8_t* area = &page_[cdx::kLeafKeyAreaPos];
    const uint64_t value = record | (static_cast<uint64_t>(dup) << dupShift_) |
                           (static_cast<uint64_t>(trail) << trailShift_);
    for (int i = 0; i < bpe; ++i) area[entryPos_ + i] = static_cast<uint8_t>(value >> (8 * i));
    entryPos_ += bpe;
    keyEnd_ -= static_cast<int>(partLength);
    uint8_t* part = area + keyEnd_;
    std::memcpy(part, key.data() + dup, partLength);
    if (shape_.kind == HKeyKind::General && partLength > 0 && part[partLength - 1] >= 0xF0)
        ClearHighNibbleRun(part, partLength);
    lastLength_ = std::min(key.size(), sizeof last_);  // key lengths never pass 240
    std::memcpy(last_, key.data(), lastLength_);
    lastOwn_ = own;
    lastRecord_ = record;
    ++count_;
    return true;
}

const HCdxPage& HCdxLeafBuilder::Finish(uint16_t attributes, uint32_t left, uint32_t right) {
    const HCdxLeafWidths& w = widths_;
    Put16(&page_[cdx::kAttributesPos], attributes);
    Put16(&page_[cdx::kKeyCountPos], count_);
    Put32(&page_[cdx::kLeftPos], left);
    Put32(&page_[cdx::kRightPos], right);
    Put32(&page_[cdx::kLeafRecordMaskPos], w.recordMask);
    page_[cdx::kLeafDupMaskPos] = w.dupMask;
    page_[cdx::kLeafTrailMaskPos] = w.trailMask;
    page_[cdx::kLeafRecordBitsPos] = w.recordBits;
    page_[cdx::kLeafDupBitsPos] = w.dupBits;
    page_[cdx::kLeafTrailBitsPos] = w.trailBits;
    page_[cdx::kLeafBytesPerEntryPos] = static_cast<uint8_t>(w.bytesPerEntry);
    Put16(&page_[cdx::kLeafFreePos], static_cast<uint32_t>(FreeBytes()));
    return page_;
}

bool EncodeLeaf(const HCdxNode& node, const HKeyShape& shape, HCdxPage& page) {
    const int bpe = node.widths.bytesPerEntry;
    if (bpe < 3 || bpe > 8) return false;
    HCdxLeafBuilder builder(shape, node.widths);
    for (const HCdxEntry& e : node.entries)
        if (!builder.Append(e.key, e.record)) return false;
    page = builder.Finish(node.attributes, node.left, node.right);
    return true;
}

bool EncodeInterior(const HCdxNode& node, const HKeyShape& shape, bool padTail, HCdxPage& page) {
    const int keyLength = shape.keyLength;
    if (static_cast<int>(node.entries.size()) > MaxInteriorKeys(keyLength)) return false;
    const uint8_t pad = StoragePad(shape.kind);
    page.fill(0);
    Put16(&page[cdx::kAttributesPos], node.attributes);
    Put16(&page[cdx::kKeyCountPos], static_cast<uint32_t>(node.entries.size()));
    Put32(&page[cdx::kLeftPos], node.left);
    Put32(&page[cdx::kRightPos], node.right);
    uint8_t* p = &page[cdx::kNodeHeadSize];
    for (const HCdxEntry& e : node.entries) {
        std::string key = e.key.substr(0, keyLength);
        if (shape.kind == HKeyKind::General) ClearHighNibbleRun(key);
        std::memset(p, pad, keyLength);
        std::memcpy(p, key.data(), key.size());
        Put32BE(p + keyLength, e.record);
        Put32BE(p + keyLength + 4, e.child);
        p += keyLength + 8;
    }
    if (padTail) std::memset(p, pad, page.data() + page.size() - p);
    return true;
}

HStatus DecodeNode(const HCdxPage& page, const HKeyShape& shape, const std::string& fileName,
                   HCdxNode& out) {
    out = HCdxNode{};
    const int keyLength = shape.keyLength;
    if (keyLength < 1 || keyLength > cdx::kMaxKeyLength) return Damaged(fileName);
    out.attributes = Get16(&page[cdx::kAttributesPos]);
    const int count = Get16(&page[cdx::kKeyCountPos]);
    out.left = Get32(&page[cdx::kLeftPos]);
    out.right = Get32(&page[cdx::kRightPos]);
    if (out.attributes > cdx::kAttrLeafRoot) return Damaged(fileName);

    if (!out.IsLeaf()) {
        if (count > MaxInteriorKeys(keyLength)) return Damaged(fileName);
        const uint8_t pad = StoragePad(shape.kind);
        const uint8_t* p = &page[cdx::kNodeHeadSize];
        out.entries.resize(count);
        for (HCdxEntry& e : out.entries) {
            size_t n = keyLength;
            while (n > 0 && (p[n - 1] == pad || (shape.kind == HKeyKind::Machine && p[n - 1] == 0)))
                --n;
            e.key.assign(reinterpret_cast<const char*>(p), n);
            if (shape.kind == HKeyKind::General) RestoreHighNibbleRun(e.key);
            e.record = Get32BE(p + keyLength);
            e.child = Get32BE(p + keyLength + 4);
            p += keyLength + 8;
        }
        return HStatus::Ok();
    }

    HCdxLeafWidths& w = out.widths;
    w.recordMask = Get32(&page[cdx::kLeafRecordMaskPos]);
    w.dupMask = page[cdx::kLeafDupMaskPos];
    w.trailMask = page[cdx::kLeafTrailMaskPos];
    w.recordBits = page[cdx::kLeafRecordBitsPos];
    w.dupBits = page[cdx::kLeafDupBitsPos];
    w.trailBits = page[cdx::kLeafTrailBitsPos];
    w.bytesPerEntry = page[cdx::kLeafBytesPerEntryPos];
    out.freeBytes = Get16(&page[cdx::kLeafFreePos]);
    const int bpe = w.bytesPerEntry;
    if (bpe < 3 || bpe > 8 || w.dupBits > 8 || w.trailBits > 8 || w.recordBits > 32 ||
        w.recordBits + w.dupBits + w.trailBits > bpe * 8 || w.dupMask != (1u << w.dupBits) - 1 ||
        w.trailMask != (1u << w.trailBits) - 1 ||
        (w.recordBits < 32 && w.recordMask >= (1ull << w.recordBits)))
        return Damaged(fileName);
    if (count * bpe > cdx::kLeafKeyAreaSize) return Damaged(fileName);

    const uint8_t* area = &page[cdx::kLeafKeyAreaPos];
    int keyEnd = cdx::kLeafKeyAreaSize;
    const int entriesEnd = count * bpe;
    std::string previous;
    out.entries.resize(count);
    for (int i = 0; i < count; ++i) {
        const uint8_t* entry = area + i * bpe;
        uint64_t value = 0;
        for (int b = 0; b < bpe; ++b) value |= static_cast<uint64_t>(entry[b]) << (8 * b);
        const uint16_t last2 = Get16(entry + bpe - 2);
        const int trail = w.trailBits == 0 ? 0 : last2 >> (16 - w.trailBits);
        const int dup = (last2 >> (16 - w.trailBits - w.dupBits)) & w.dupMask;
        if (trail > keyLength || dup + trail > keyLength || dup > static_cast<int>(previous.size()))
            return Damaged(fileName);
        const int stored = keyLength - trail - dup;
        if (keyEnd - stored < entriesEnd) return Damaged(fileName);
        keyEnd -= stored;
        HCdxEntry& e = out.entries[i];
        e.record = static_cast<uint32_t>(value & w.recordMask);
        e.key.assign(previous, 0, dup);
        e.key.append(reinterpret_cast<const char*>(area + keyEnd), stored);
        if (shape.kind == HKeyKind::General) RestoreHighNibbleRun(e.key);
        previous = e.key;
    }
    return HStatus::Ok();
}
