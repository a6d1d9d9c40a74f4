// Constants of the table file (".DBF") layout. The format is described in doc/dbf_format.md;
// change the two together.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dbf {

constexpr size_t kHeaderSize = 32;
constexpr size_t kDescriptorSize = 32;
constexpr size_t kFoxBacklinkSize = 263;  // version 0x30: bytes between terminator and records
constexpr size_t kMaxFieldNameLength = 10;

// Header offsets.
constexpr size_t kVersionOffset = 0;
constexpr size_t kYearOffset = 1;
constexpr size_t kMonthOffset = 2;
constexpr size_t kDayOffset = 3;
constexpr size_t kRecordCountOffset = 4;
constexpr size_t kHeaderLengthOffset = 8;
constexpr size_t kRecordLengthOffset = 10;
constexpr size_t kUpdateStampOffset = 16;
constexpr size_t kUserIdOffset = 20;
constexpr size_t kFlagsOffset = 28;

// Descriptor offsets.
constexpr size_t kFieldTypeOffset = 11;
constexpr size_t kFieldWidthOffset = 16;
constexpr size_t kFieldDecimalsOffset = 17;

// Version bytes.
constexpr uint8_t kVersionPlain = 0x03;
constexpr uint8_t kVersionVisualFox = 0x30;
constexpr uint8_t kVersionDBaseIIIMemo = 0x83;
constexpr uint8_t kVersionDBaseIVMemo = 0x8B;
constexpr uint8_t kVersionFoxPro2Memo = 0xF5;

// Table flags (header byte 28); only these three are kept.
constexpr uint8_t kFlagCompoundIndex = 0x01;
constexpr uint8_t kFlagMemo = 0x02;
constexpr uint8_t kFlagDatabase = 0x04;
constexpr uint8_t kFlagMask = 0x07;

constexpr char kTerminator = 0x0D;
constexpr char kEndOfFile = 0x1A;
constexpr char kLiveFlag = ' ';
constexpr char kDeletedFlag = '*';

// Julian day numbers outside this range are not dates.
constexpr int32_t kMinJulianDay = 1721120;
constexpr int32_t kMaxJulianDay = 25657575;
// Julian day of 0001-01-01 minus one: the origin of the binary date-time type T.
constexpr int32_t kDateTimeOrigin = 1721425;

// Header lock: the header bytes themselves.
constexpr uint64_t kHeaderLockOffset = 0;
constexpr uint64_t kHeaderLockLength = 32;

}  // namespace dbf

// The formats a new table can be written in. They differ only in the version byte.
enum class HDBFTypes { DBaseIII, DBaseIV, FoxPro2 };

// The version byte a new table of `type` gets; `memo` when it has a field of type B, G or M.
constexpr uint8_t DbfVersionByte(HDBFTypes type, bool memo) {
    if (!memo) return dbf::kVersionPlain;
    switch (type) {
        case HDBFTypes::DBaseIII:
            return dbf::kVersionDBaseIIIMemo;
        case HDBFTypes::DBaseIV:
            return dbf::kVersionDBaseIVMemo;
        case HDBFTypes::FoxPro2:
            return dbf::kVersionFoxPro2Memo;
    }
    return dbf::kVersionPlain;
}
