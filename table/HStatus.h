// The result of an engine operation: an error code, a sub-code naming the operation, and an
// optional text (usually a file or field name). Also holds the engine's code tables.
#pragma once

#include <string>
#include <utility>

// Error codes. System failures use the codes of HFileIo's errno mapping (2, 5, 32, 33 ...).
namespace zcode {
constexpr int kNone = 0;
constexpr int kLockUnsupported = 1;  // locking not available on this file: counts as success
constexpr int kFileNotFound = 2;
constexpr int kAccessDenied = 5;
constexpr int kFileOpenHere = 12;  // the file to be created is open in this program
constexpr int kSharingViolation = 32;
constexpr int kLockViolation = 33;
constexpr int kNoMemory = 203;
constexpr int kShortRead = 221;
constexpr int kBadVersion = 1001;
constexpr int kRecordRange = 1002;
constexpr int kNoSuchField = 1003;
constexpr int kBadFieldAccess = 1004;
constexpr int kNumberTooWide = 1011;
// The header's lengths do not fit the file (or each other): a truncated or damaged table.
constexpr int kTableDamaged = 1012;
}  // namespace zcode

// Sub-codes: which operation failed.
namespace zsub {
constexpr int kNone = -7;
constexpr int kRead = 1101;
constexpr int kWrite = 1102;
constexpr int kFileSize = 1105;
constexpr int kOpen = 1107;
constexpr int kCreate = 1108;
constexpr int kTruncate = 1109;
constexpr int kFlush = 1111;
constexpr int kLock = 1112;
constexpr int kUnlock = 1114;
constexpr int kHeaderLock = 1201;
constexpr int kTableOpen = 1204;
constexpr int kPositioning = 1207;
constexpr int kNumberStore = 1261;
constexpr int kFieldLookup = 1298;
constexpr int kTypedAccess = 1299;
constexpr int kPack = 2105;
constexpr int kIndexLock = 2222;
}  // namespace zsub

// Value type; cheap to copy when ok.
struct HStatus {
    int code = zcode::kNone;
    int subCode = zsub::kNone;
    std::string text;

    static HStatus Ok() { return {}; }
    static HStatus Error(int code, int subCode, std::string text = {}) {
        return {code, subCode, std::move(text)};
    }
    bool ok() const { return code == zcode::kNone; }
};
