// Constants of the compound index file (.CDX). The layout they describe, with a worked
// example and what readers do with odd values, is doc/cdx_format.md.
#pragma once

#include <cstdint>

namespace cdx {

constexpr int kPageSize = 512;
constexpr int kTagHeaderSize = 1024;  // two pages

// Tag header fields.
constexpr int kRootOffsetPos = 0;
constexpr int kFreeListPos = 4;
constexpr int kChangeCounterPos = 8;
constexpr int kKeyLengthPos = 12;
constexpr int kOptionsPos = 14;
constexpr int kSignaturePos = 15;
constexpr int kCollationPos = 494;
constexpr int kCollationSize = 8;
constexpr int kDescendingPos = 502;
constexpr int kKeyExprLengthPos = 504;
constexpr int kForExprLengthPos = 506;
constexpr int kKeyExprLengthPos2 = 510;
constexpr int kExpressionPos = 512;

constexpr int kMaxKeyLength = 240;

// Option bits (header offset 14).
constexpr uint8_t kOptUnique = 0x01;
constexpr uint8_t kOptHasFor = 0x08;
constexpr uint8_t kOptCompact = 0x20;
constexpr uint8_t kOptCompound = 0x40;
constexpr uint8_t kOptDirectory = 0x80;
constexpr uint8_t kOptionsOrdinary = 0x60;
constexpr uint8_t kOptionsDirectory = 0xE0;

constexpr uint8_t kSignatureMachine = 0x01;
constexpr uint8_t kSignatureGeneral = 0x02;

// Node head.
constexpr int kAttributesPos = 0;
constexpr int kKeyCountPos = 2;
constexpr int kLeftPos = 4;
constexpr int kRightPos = 8;
constexpr int kNodeHeadSize = 12;
constexpr uint32_t kNoSibling = 0xFFFFFFFFu;

// Node attributes.
constexpr uint16_t kAttrInterior = 0;
constexpr uint16_t kAttrInteriorRoot = 1;
constexpr uint16_t kAttrLeaf = 2;
constexpr uint16_t kAttrLeafRoot = 3;
constexpr uint16_t kAttrRootBit = 1;
constexpr uint16_t kAttrLeafBit = 2;

// Interior nodes: entries from offset 12; at most this many bytes of entries.
constexpr int kInteriorArea = 500;

// Compressed leaf fields.
constexpr int kLeafFreePos = 12;
constexpr int kLeafRecordMaskPos = 14;
constexpr int kLeafDupMaskPos = 18;
constexpr int kLeafTrailMaskPos = 19;
constexpr int kLeafRecordBitsPos = 20;
constexpr int kLeafDupBitsPos = 21;
constexpr int kLeafTrailBitsPos = 22;
constexpr int kLeafBytesPerEntryPos = 23;
constexpr int kLeafKeyAreaPos = 24;
constexpr int kLeafKeyAreaSize = 488;

constexpr uint32_t kMaxRecordMask = 0x7FFFFFFFu;

// Pad bytes of key comparisons and interior entries.
constexpr uint8_t kPadCharacter = 0x20;
constexpr uint8_t kPadGeneralCompare = 0x00;  // a key before the longer keys it begins
constexpr uint8_t kPadNumeric = 0x00;

// Deepest tree a reader follows.
constexpr int kMaxLevels = 31;

// Error reported for a damaged index file (sub-code -7, text: the file name).
constexpr int kDamagedCode = 2112;
constexpr int kDamagedSubCode = -7;

}  // namespace cdx
