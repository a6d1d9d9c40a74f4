#include "table/HDBFFile.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>

#include "table/CharServices.h"
#include "table/DbfDate.h"

namespace {

std::function<HDateTime()>& ClockHook() {
    static std::function<HDateTime()> clock;
    return clock;
}

std::string Trim(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

// The name to open: trimmed of blanks and quotes, ".DBF" added when there is no extension.
std::string TableFileName(const std::string& name) {
    size_t first = name.find_first_not_of(" \"");
    if (first == std::string::npos) return {};
    size_t last = name.find_last_not_of(" \"");
    std::string trimmed = name.substr(first, last - first + 1);
    std::filesystem::path path(trimmed);
    if (!path.has_extension()) {
        std::error_code ec;
        if (!std::filesystem::exists(trimmed + ".DBF", ec) &&
            std::filesystem::exists(trimmed + ".dbf", ec)) {
            return trimmed + ".dbf";
        }
        return trimmed + ".DBF";
    }
    return trimmed;
}

// Whole records between the header and the end of the file. Record numbers are 32-bit, so a
// larger file counts as many as they reach.
int32_t CountRecords(int64_t size, int headerLength, int recordLength) {
    if (size <= headerLength) return 0;
    return static_cast<int32_t>(std::min<int64_t>((size - headerLength) / recordLength, INT32_MAX));
}

// File name without directory and extension, for messages.
std::string BaseName(const std::string& path) {
    std::filesystem::path p(path);
    return p.stem().string();
}

bool ParseDecimal(const std::string& text, double* value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    auto [ptr, ec] = std::from_chars(begin, end, *value, std::chars_format::general);
    return ec == std::errc() && ptr == end && std::isfinite(*value);
}

// Decimal text of `value` with `decimals` places, "C" locale whatever the process locale.
std::string FormatDecimal(double value, int decimals) {
    char text[400];
    auto [ptr, ec] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return std::string(400, '*');
    std::string result(text, ptr);
    if (result.size() > 1 && result[0] == '-' &&
        result.find_first_not_of("0.", 1) == std::string::npos) {
        result.erase(0, 1);  // no "-0.00"
    }
    return result;
}

}  // namespace

HDBFFile::HDBFFile() = default;

HDBFFile::~HDBFFile() {
    // Errors while closing cannot be thrown out of a destructor.
    SuppressErrors quiet(*this);
    HDBFFile::Close();
}

void HDBFFile::SetClock(std::function<HDateTime()> clock) { ClockHook() = std::move(clock); }

HDateTime HDBFFile::Now() {
    if (ClockHook()) return ClockHook()();
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    HDateTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    t.millisecond =
        static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return t;
}

bool HDBFFile::HasMemo() const {
    return version_ == dbf::kVersionDBaseIIIMemo || version_ == dbf::kVersionDBaseIVMemo ||
           version_ == dbf::kVersionFoxPro2Memo ||
           (version_ == dbf::kVersionVisualFox && (flags_ & dbf::kFlagMemo) != 0);
}

void HDBFFile::ResetTable() {
    fields_.clear();
    buffer_.clear();
    saved_.clear();
    scratch_.clear();
    changed_.clear();
    header_.fill(0);
    version_ = versionCopy_ = flags_ = 0;
    recordCount_ = 0;
    headerLength_ = recordLength_ = 0;
    recNo_ = 0;
    bof_ = true;
    eof_ = false;
    recordChanged_ = false;
    headerDirty_ = false;
    wholeTableLocked_ = false;
    changedByOther_ = false;
    lockDepth_ = 0;
    headerLockDepth_ = 0;
    headerLockCovered_ = false;
    knownSize_ = 0;
    tail_.clear();
}

HStatus HDBFFile::LoadTable(const std::string& name, HOpenMode mode) {
    // Errors of the steps are only recorded; Open reports one, with the table-open sub-code.
    SuppressErrors quiet(*this);
    ClearLastError();
    auto failed = [&] {
        return HStatus::Error(LastError() ? LastError() : zcode::kTableDamaged, zsub::kTableOpen,
                              FileName());
    };
    if (!HFileObject::Open(TableFileName(name), mode)) return failed();
    int64_t size = FileSize();
    if (size < 0) return failed();
    if (!ReadAt(0, header_.data(), header_.size())) return failed();
    version_ = versionCopy_ = header_[dbf::kVersionOffset];
    if (version_ != dbf::kVersionPlain && version_ != dbf::kVersionVisualFox &&
        version_ != dbf::kVersionDBaseIIIMemo && version_ != dbf::kVersionDBaseIVMemo &&
        version_ != dbf::kVersionFoxPro2Memo) {
        return HStatus::Error(zcode::kBadVersion, zsub::kTableOpen, FileName());
    }
    flags_ = header_[dbf::kFlagsOffset] & dbf::kFlagMask;
    headerLength_ = DbfGet16(&header_[dbf::kHeaderLengthOffset]);
    recordLength_ = DbfGet16(&header_[dbf::kRecordLengthOffset]);
    const int overhead =
        static_cast<int>(dbf::kHeaderSize) + 1 +
        (version_ == dbf::kVersionVisualFox ? static_cast<int>(dbf::kFoxBacklinkSize) : 0);
    const int blockSize = headerLength_ - overhead;
    if (blockSize < static_cast<int>(dbf::kDescriptorSize) || headerLength_ > size ||
        recordLength_ < 2) {
        return HStatus::Error(zcode::kTableDamaged, zsub::kTableOpen, FileName());
    }
    std::string block(static_cast<size_t>(blockSize), '\0');
    if (!ReadAt(dbf::kHeaderSize, block.data(), block.size())) return failed();
    int offset = 1;
    for (size_t at = 0; at + dbf::kDescriptorSize <= block.size(); at += dbf::kDescriptorSize) {
        if (block[at] == dbf::kTerminator) break;  // padded header: the list ended
        HFieldDescriptor field;
        std::memcpy(field.raw.data(), block.data() + at, dbf::kDescriptorSize);
        const auto* raw = reinterpret_cast<const uint8_t*>(field.raw.data());
        size_t nameLength = 0;
        while (nameLength < 11 && raw[nameLength] != 0) ++nameLength;
        field.name.assign(field.raw.data(), nameLength);
        field.type = static_cast<char>(AnsiUpperChar(raw[dbf::kFieldTypeOffset]));
        if (field.type == 'C') {
            field.width = raw[dbf::kFieldDecimalsOffset] * 256 + raw[dbf::kFieldWidthOffset];
            field.decimals = 0;
        } else {
            field.width = raw[dbf::kFieldWidthOffset];
            field.decimals = raw[dbf::kFieldDecimalsOffset];
        }
        field.offset = offset;
        field.number = static_cast<int>(fields_.size()) + 1;
        offset += field.width;
        // The in-memory slots: offset, number, no memo object.
        DbfPut32(reinterpret_cast<uint8_t*>(field.raw.data()) + 12,
                 static_cast<uint32_t>(field.offset));
        field.raw[26] = static_cast<char>(field.number & 0xFF);
        field.raw[27] = static_cast<char>(field.number >> 8);
        std::memset(field.raw.data() + 28, 0, 4);
        fields_.push_back(std::move(field));
    }
    if (fields_.empty() || offset > recordLength_)
        return HStatus::Error(zcode::kTableDamaged, zsub::kTableOpen, FileName());
    recordCount_ = CountRecords(size, headerLength_, recordLength_);
    lastSeenCount_ = recordCount_;
    lastSeenStamp_ = DbfGet32(&header_[dbf::kUpdateStampOffset]);
    knownSize_ = size;
    const int64_t dataEnd = RecordPosition(recordCount_ + 1);
    try {
        tail_.assign(static_cast<size_t>(size - dataEnd), '\0');
        buffer_.assign(static_cast<size_t>(recordLength_) + 1, ' ');
        buffer_.back() = dbf::kEndOfFile;
        saved_.assign(static_cast<size_t>(recordLength_) + 1, ' ');
        scratch_.assign(static_cast<size_t>(recordLength_), ' ');
        changed_.assign(fields_.size() + 1, false);
    } catch (const std::bad_alloc&) {
        return HStatus::Error(zcode::kNoMemory, zsub::kTableOpen, FileName());
    }
    if (!tail_.empty() && !ReadAt(dataEnd, tail_.data(), tail_.size())) {
        return failed();
    }
    return HStatus::Ok();
}

bool HDBFFile::Open(const std::string& name, HOpenMode mode) {
    Close();
    ResetTable();
    HStatus status = LoadTable(name, mode);
    if (!status.ok()) {
        if (status.text.empty()) status.text = ZadarirDisplayName(TableFileName(name));
        HFileObject::Close();
        ResetTable();
        ReportError(status);
        return false;
    }
    recNo_ = 0;
    bof_ = true;
    eof_ = false;
    RecordEvent(hevent::kOpened, 0);
    return true;
}

void HDBFFile::Close() {
    if (!IsOpen()) return;
    FlushWriteBehind();
    if (headerDirty_ && !ReadOnly()) WriteHeader();
    HFileObject::Close();  // releases every lock this object still holds
    ResetTable();
}

bool HDBFFile::CheckOpen(int subCode) {
    if (IsOpen()) return true;
    ReportError(6, subCode, FileName());
    return false;
}

// --- Records ----------------------------------------------------------------------------

void HDBFFile::RecordEvent(int code, int /*info*/) {
    if (code == hevent::kFieldChanged) recordChanged_ = true;
    if (code == hevent::kAfterRead || code == hevent::kAfterWrite) recordChanged_ = false;
}

bool HDBFFile::ReadRecordBytes(int n, char* out) {
    return ReadAt(RecordPosition(n), out, static_cast<size_t>(recordLength_));
}

void HDBFFile::RecordBytesWritten(int, const char*) {}

void HDBFFile::WriteBehindFailed() {
    // The file holds what it held before the batch; so does this object from now on.
    recordCount_ = batchCount_;
    lastSeenCount_ = std::min(lastSeenCount_, batchCount_);
    headerDirty_ = batchHeaderDirty_;
    knownSize_ = batchSize_;
    tail_ = batchTail_;
    if (recNo_ > recordCount_) {
        recNo_ = recordCount_;
        eof_ = true;
    }
    InvalidateReadAhead();
}

bool HDBFFile::ReadRecord(int target) {
    if (!CheckOpen(zsub::kPositioning)) return false;
    if (!FlushWriteBehind()) return false;
    if (recordCount_ == 0) {
        RefreshHeader();
        if (recordCount_ == 0) {
            bof_ = eof_ = true;
            return false;
        }
    }
    int n;
    switch (target) {
        case hmove::kBottom:
            n = recordCount_;
            break;
        case hmove::kTop:
            n = 1;
            break;
        case hmove::kPrevious:
            if (recNo_ <= 1) {
                bof_ = true;
                return false;
            }
            n = recNo_ - 1;
            break;
        case hmove::kNext:
            n = recNo_ + 1;
            break;
        case hmove::kCurrent:
            n = recNo_ < 1 ? 1 : recNo_;
            break;
        default:
            if (target <= 0) {
                bof_ = eof_ = true;
                ReportError(zcode::kRecordRange, zsub::kPositioning, FileName());
                return false;
            }
            n = target;
    }
    if (n > recordCount_) {
        RefreshHeader();
        if (n > recordCount_) {
            eof_ = true;
            if (n > recordCount_ + 1) {
                ReportError(zcode::kRecordRange, zsub::kPositioning, FileName());
            }
            return false;
        }
    }
    RecordEvent(hevent::kBeforeRead, n);
    ClearLastError();
    if (!ReadRecordBytes(n, scratch_.data())) {
        if (LastError() == zcode::kShortRead) eof_ = true;
        return false;
    }
    std::memcpy(buffer_.data(), scratch_.data(), scratch_.size());
    recNo_ = n;
    RecordEvent(hevent::kAfterRead, n);
    std::memcpy(saved_.data(), buffer_.data(), buffer_.size());
    std::fill(changed_.begin(), changed_.end(), false);
    return true;
}

bool HDBFFile::ReplaceRecord(int n) {
    if (!CheckOpen(zsub::kWrite)) return false;
    RecordEvent(hevent::kBeforeWrite, n);
    if (n < 1 || n > recordCount_) return AppendRecord();
    if (ReadOnly()) {
        ReportError(zcode::kAccessDenied, zsub::kWrite, FileName());
        return false;
    }
    if (!FlushWriteBehind()) return false;
    HTableLockGuard recordLock(*this);
    if (autoLock_ && !wholeTableLocked_) {
        if (!LockRecord(n)) return false;
        recordLock.Adopt();
    }
    // What the record held, to put back if the write fails half-way.
    const int64_t position = RecordPosition(n);
    std::string before;
    if (recNo_ == n && !OthersMayLook()) {
        before.assign(saved_.data(), static_cast<size_t>(recordLength_));
    } else {
        before.assign(static_cast<size_t>(recordLength_), ' ');
        SuppressErrors quiet(*this);
        // A cached copy is good enough only while nobody else writes to the file.
        bool read = OthersMayLook() ? HDBFFile::ReadRecordBytes(n, before.data())
                                    : ReadRecordBytes(n, before.data());
        if (!read) before.clear();
    }
    const int code =
        WriteOrRestore(position, buffer_.data(), static_cast<size_t>(recordLength_), before);
    if (code != 0) {
        recordLock.Release();
        ReportError(code, zsub::kWrite, FileName());
        return false;
    }
    headerDirty_ = true;
    recNo_ = n;
    RefreshHeader();
    WriteHeaderAfterWrite();
    if (!recordLock.Release()) return false;
    RecordBytesWritten(n, buffer_.data());
    RecordEvent(hevent::kAfterWrite, n);
    std::memcpy(saved_.data(), buffer_.data(), buffer_.size());
    return true;
}

int HDBFFile::WriteOrRestore(int64_t position, const char* bytes, size_t length,
                             const std::string& before) {
    SuppressErrors quiet(*this);
    ClearLastError();
    if (WriteAt(position, bytes, length)) return 0;
    const int code = LastError();
    if (!before.empty()) WriteAt(position, before.data(), before.size());
    return code;
}

bool HDBFFile::AppendRecord() {
    if (!CheckOpen(zsub::kWrite)) return false;
    RecordEvent(hevent::kBeforeWrite, 0);
    if (ReadOnly()) {
        ReportError(zcode::kAccessDenied, zsub::kWrite, FileName());
        return false;
    }
    // Records appended to a file nobody else can see go through the write-behind buffer;
    // the batch so far is written first when this record does not fit in it.
    const bool behind = AppendsWriteBehind() && !OthersMayLook() && !HasIndexFiles();
    if (!behind || !WriteBehindFits(RecordPosition(recordCount_ + 1), buffer_.size())) {
        if (!FlushWriteBehind()) return false;
    }
    if (!LockHeader()) return false;
    HHeaderLockGuard headerLock(*this);
    HTableLockGuard appendLock(*this);
    if (autoLock_ && !wholeTableLocked_) {
        // The append lock of this write, not a lock the caller asked for: no flush.
        if (!TakeLock(LockKind::Append, 0)) return false;
        appendLock.Adopt();
    }
    RefreshHeader();  // other programs may have appended
    const int64_t position = RecordPosition(recordCount_ + 1);
    if (OthersMayLook()) {
        // Another program may have left other bytes after the last record: note them.
        std::string tail;
        if (knownSize_ > position) {
            tail.assign(
                static_cast<size_t>(std::min<int64_t>(knownSize_ - position, recordLength_)), '\0');
            SuppressErrors quiet(*this);
            if (!ReadAt(position, tail.data(), tail.size())) tail.clear();
        }
        tail_ = std::move(tail);
    }
    const char wasFlag = buffer_[0];
    buffer_[0] = dbf::kLiveFlag;
    int code;
    {
        SuppressErrors quiet(*this);
        ClearLastError();
        if (behind) {
            if (!WriteBehindPending()) {
                batchCount_ = recordCount_;
                batchHeaderDirty_ = headerDirty_;
                batchSize_ = knownSize_;
                batchTail_ = tail_;
            }
            code = WriteBehind(position, buffer_.data(), buffer_.size(), knownSize_, tail_)
                       ? 0
                       : LastError();
        } else {
            code = WriteAt(position, buffer_.data(), buffer_.size()) ? 0 : LastError();
        }
        if (code != 0) {
            // Put the file back as it was: old length, old bytes after the last record.
            TruncateAt(knownSize_);
            if (!tail_.empty()) WriteAt(position, tail_.data(), tail_.size());
        }
    }
    if (code != 0) {
        buffer_[0] = wasFlag;
        appendLock.Release();
        headerLock.Release();
        ReportError(code, zsub::kWrite, FileName());
        return false;
    }
    headerDirty_ = true;
    ++recordCount_;
    recNo_ = recordCount_;
    knownSize_ = position + static_cast<int64_t>(buffer_.size());
    tail_.assign(1, dbf::kEndOfFile);
    WriteHeaderAfterWrite();
    bool ok = appendLock.Release();
    if (!headerLock.Release()) ok = false;
    bof_ = eof_ = false;
    RecordBytesWritten(recNo_, buffer_.data());
    RecordEvent(hevent::kAfterWrite, 0);
    std::memcpy(saved_.data(), buffer_.data(), buffer_.size());
    return ok;
}

bool HDBFFile::DeleteRecord() {
    if (!CheckOpen(zsub::kWrite)) return false;
    if (recNo_ < 1) {
        // Without a current record the write would append a new one.
        ReportError(zcode::kRecordRange, zsub::kPositioning, FileName());
        return false;
    }
    buffer_[0] = dbf::kDeletedFlag;
    changed_[0] = true;
    return ReplaceRecord(recNo_);
}

bool HDBFFile::RecallRecord() {
    if (!CheckOpen(zsub::kWrite)) return false;
    if (recNo_ < 1) {
        // Without a current record the write would append a new one.
        ReportError(zcode::kRecordRange, zsub::kPositioning, FileName());
        return false;
    }
    buffer_[0] = dbf::kLiveFlag;
    changed_[0] = true;
    return ReplaceRecord(recNo_);
}

void HDBFFile::BlankRecord() {
    if (buffer_.empty()) return;
    std::fill(buffer_.begin(), buffer_.end() - 1, ' ');
}

// --- Fields -----------------------------------------------------------------------------

const HFieldDescriptor* HDBFFile::FieldByName(std::string_view name) {
    size_t end = name.find_last_not_of(' ');
    std::string wanted = AnsiUpper(name.substr(0, end == std::string_view::npos ? 0 : end + 1));
    for (const HFieldDescriptor& field : fields_) {
        if (AnsiUpper(field.name) == wanted) return &field;
    }
    ReportError(zcode::kNoSuchField, zsub::kFieldLookup, std::string(name));
    return nullptr;
}

const HFieldDescriptor* HDBFFile::CheckField(int number, int subCode) {
    if (!CheckOpen(subCode)) return nullptr;
    if (number < 1 || number > FieldCount()) {
        ReportError(zcode::kNoSuchField, zsub::kFieldLookup, std::to_string(number));
        return nullptr;
    }
    return &fields_[number - 1];
}

std::string HDBFFile::FieldGet(int number) {
    const HFieldDescriptor* field = CheckField(number, zsub::kFieldLookup);
    if (!field) return {};
    return buffer_.substr(static_cast<size_t>(field->offset), static_cast<size_t>(field->width));
}

std::string HDBFFile::FieldGet(std::string_view name) {
    const HFieldDescriptor* field = FieldByName(name);
    return field ? FieldGet(field->number) : std::string();
}

bool HDBFFile::FieldPut(int number, std::string_view text) {
    const HFieldDescriptor* field = CheckField(number, zsub::kFieldLookup);
    if (!field) return false;
    char* at = buffer_.data() + field->offset;
    const size_t width = static_cast<size_t>(field->width);
    std::memset(at, ' ', width);
    if (!text.empty()) {
        const size_t length = std::min(width, text.size());
        const bool left = field->type == 'C' || field->type == 'D' || field->type == 'L';
        std::memcpy(left ? at : at + width - length, text.data(), length);
    }
    changed_[static_cast<size_t>(number)] = true;
    RecordEvent(hevent::kFieldChanged, number);
    return true;
}

bool HDBFFile::FieldPut(std::string_view name, std::string_view text) {
    const HFieldDescriptor* field = FieldByName(name);
    return field && FieldPut(field->number, text);
}

bool HDBFFile::BinaryField(const HFieldDescriptor& field) const {
    if (version_ != dbf::kVersionVisualFox) return false;
    switch (field.type) {
        case 'B':
        case 'T':
        case 'Y':
            return field.width == 8;
        case 'I':
        case 'G':
        case 'M':
            return field.width == 4;
        default:
            return false;
    }
}

bool HDBFFile::NumericField(const HFieldDescriptor& field) const {
    switch (field.type) {
        case 'N':
        case 'F':
        case 'B':
        case 'G':
        case 'I':
        case 'M':
            return true;
        case 'T':
        case 'Y':
            return version_ == dbf::kVersionVisualFox;
        default:
            return false;
    }
}

std::string HDBFFile::InvalidValueText(const char* what, const HFieldDescriptor& field,
                                       const std::string& text) const {
    return std::string("Invalid ") + what + " in field " + BaseName(FileName()) + "->" +
           field.name + " (" + text + ")";
}

double HDBFFile::NumberGet(int number) {
    const HFieldDescriptor* field = CheckField(number, zsub::kTypedAccess);
    if (!field) return 0;
    if (!NumericField(*field)) {
        ReportError(zcode::kBadFieldAccess, zsub::kTypedAccess, field->name);
        return 0;
    }
    const char* at = buffer_.data() + field->offset;
    if (BinaryField(*field)) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(at);
        switch (field->type) {
            case 'B': {
                double value;
                std::memcpy(&value, at, 8);
                return value;
            }
            case 'Y': {
                int64_t value;
                std::memcpy(&value, at, 8);
                return static_cast<double>(value) / 10000.0;
            }
            case 'T': {
                int32_t day = static_cast<int32_t>(DbfGet32(bytes));
                int32_t ms = static_cast<int32_t>(DbfGet32(bytes + 4));
                return (static_cast<double>(day) - dbf::kDateTimeOrigin) * 86400000.0 + ms;
            }
            default:
                return static_cast<int32_t>(DbfGet32(bytes));
        }
    }
    std::string text = Trim(std::string_view(at, static_cast<size_t>(field->width)));
    if (text.size() > 31) text.resize(31);
    if (text.empty()) return 0;
    double value = 0;
    if (!ParseDecimal(text, &value)) {
        ReportError(zcode::kBadFieldAccess, zsub::kNone, InvalidValueText("number", *field, text));
        return 0;
    }
    return value;
}

double HDBFFile::NumberGet(std::string_view name) {
    const HFieldDescriptor* field = FieldByName(name);
    return field ? NumberGet(field->number) : 0;
}

bool HDBFFile::NumberPut(int number, double value) {
    const HFieldDescriptor* field = CheckField(number, zsub::kTypedAccess);
    if (!field) return false;
    if (!NumericField(*field)) {
        ReportError(zcode::kBadFieldAccess, zsub::kTypedAccess, field->name);
        return false;
    }
    if (BinaryField(*field)) {
        uint8_t bytes[8] = {};
        bool fits = std::isfinite(value);
        switch (field->type) {
            case 'B':
                std::memcpy(bytes, &value, 8);
                break;
            case 'Y': {
                double scaled = std::round(value * 10000.0);
                fits = fits && std::fabs(scaled) < 9.2e18;
                int64_t stored = fits ? static_cast<int64_t>(scaled) : 0;
                std::memcpy(bytes, &stored, 8);
                break;
            }
            case 'T': {
                double days = std::floor(value / 86400000.0);
                fits = fits && std::fabs(days) < 2e9;
                if (fits) {
                    DbfPut32(bytes, static_cast<uint32_t>(static_cast<int32_t>(days) +
                                                          dbf::kDateTimeOrigin));
                    DbfPut32(bytes + 4,
                             static_cast<uint32_t>(std::llround(value - days * 86400000.0)));
                }
                break;
            }
            default: {
                double rounded = std::round(value);
                fits = fits && rounded >= -2147483648.0 && rounded <= 2147483647.0;
                if (fits) DbfPut32(bytes, static_cast<uint32_t>(static_cast<int32_t>(rounded)));
            }
        }
        if (!fits) {
            ReportError(zcode::kNumberTooWide, zsub::kNumberStore,
                        field->name + " - " + FormatDecimal(value, 0));
            return false;
        }
        std::memcpy(buffer_.data() + field->offset, bytes, static_cast<size_t>(field->width));
        changed_[static_cast<size_t>(number)] = true;
        RecordEvent(hevent::kFieldChanged, number);
        return true;
    }
    std::string text = std::isfinite(value) ? FormatDecimal(value, field->decimals) : "*";
    if (!std::isfinite(value) || text.size() > static_cast<size_t>(field->width)) {
        ReportError(zcode::kNumberTooWide, zsub::kNumberStore, field->name + " - " + text);
        return false;
    }
    return FieldPut(number, text);
}

bool HDBFFile::NumberPut(std::string_view name, double value) {
    const HFieldDescriptor* field = FieldByName(name);
    return field && NumberPut(field->number, value);
}

int32_t HDBFFile::DateGet(int number) {
    const HFieldDescriptor* field = CheckField(number, zsub::kTypedAccess);
    if (!field) return -1;
    if (field->type != 'D') {
        ReportError(zcode::kBadFieldAccess, zsub::kTypedAccess, field->name);
        return -1;
    }
    std::string text =
        Trim(std::string_view(buffer_.data() + field->offset, static_cast<size_t>(field->width)));
    if (text.empty()) return -1;  // the empty date
    int32_t day = DbfDateTextToJulian(text);
    if (day < 0) {
        ReportError(zcode::kBadFieldAccess, zsub::kNone, InvalidValueText("date", *field, text));
    }
    return day;
}

int32_t HDBFFile::DateGet(std::string_view name) {
    const HFieldDescriptor* field = FieldByName(name);
    return field ? DateGet(field->number) : -1;
}

std::string HDBFFile::DisplayText(int number) {
    const HFieldDescriptor* field = CheckField(number, zsub::kTypedAccess);
    if (!field) return {};
    std::string text = FieldGet(number);
    if (BinaryField(*field)) {
        double value = NumberGet(number);
        switch (field->type) {
            case 'G':
                return value == 0 ? "-general--" : "-GENERAL--";
            case 'M':
                return value == 0 ? "---memo---" : "---MEMO---";
            case 'Y':
                return FormatDecimal(value, 4);
            case 'B':
                return FormatDecimal(value, field->decimals);
            case 'T': {
                const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
                int32_t day = static_cast<int32_t>(DbfGet32(bytes));
                int32_t ms = static_cast<int32_t>(DbfGet32(bytes + 4));
                if (day < dbf::kMinJulianDay) return {};
                std::string date = DbfJulianToText(day);
                char clock[16];
                std::snprintf(clock, sizeof clock, " %02d:%02d:%02d", ms / 3600000 % 24,
                              ms / 60000 % 60, ms / 1000 % 60);
                return date.substr(4, 2) + "/" + date.substr(6, 2) + "/" + date.substr(0, 4) +
                       clock;
            }
            default:
                return FormatDecimal(value, 0);
        }
    }
    switch (field->type) {
        case 'D': {
            int32_t day = DbfDateTextToJulian(text);
            if (day < 0) return "  /  /    ";
            std::string date = DbfJulianToText(day);
            return date.substr(4, 2) + "/" + date.substr(6, 2) + "/" + date.substr(0, 4);
        }
        case 'L': {
            char c = text.empty() ? ' ' : text[0];
            bool yes = c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == 'J' || c == 'j';
            return yes ? "T" : "F";
        }
        case 'M':
        case 'G':
        case 'B': {
            std::string block = Trim(text);
            bool empty = block.empty() || block == "0";
            if (field->type == 'M') return empty ? "---memo---" : "---MEMO---";
            if (field->type == 'G') return empty ? "-general--" : "-GENERAL--";
            return empty ? "--binary--" : "--BINARY--";
        }
        default:
            return text;
    }
}

// --- Header -----------------------------------------------------------------------------

bool HDBFFile::RefreshHeader() {
    if (!IsOpen() || !OthersMayLook() || wholeTableLocked_) return true;
    return RefreshHeaderNow();
}

bool HDBFFile::RefreshHeaderNow() {
    if (!FlushWriteBehind()) return false;
    std::array<uint8_t, 32> fresh{};
    if (!ReadAt(0, fresh.data(), fresh.size())) return false;
    int64_t size = FileSize();
    if (size < 0) return false;
    // Keep what this object relies on; take the rest as the other program left it.
    fresh[dbf::kVersionOffset] = version_;
    fresh[dbf::kHeaderLengthOffset] = static_cast<uint8_t>(headerLength_);
    fresh[dbf::kHeaderLengthOffset + 1] = static_cast<uint8_t>(headerLength_ >> 8);
    fresh[dbf::kRecordLengthOffset] = static_cast<uint8_t>(recordLength_);
    fresh[dbf::kRecordLengthOffset + 1] = static_cast<uint8_t>(recordLength_ >> 8);
    header_ = fresh;
    const int32_t count = CountRecords(size, headerLength_, recordLength_);
    uint32_t stamp = DbfGet32(&header_[dbf::kUpdateStampOffset]);
    if (count != lastSeenCount_ || stamp != lastSeenStamp_) {
        changedByOther_ = true;
        InvalidateReadAhead();
    }
    if (size != knownSize_) {
        tail_.clear();  // unknown until read again
        InvalidateReadAhead();
    }
    lastSeenCount_ = count;
    lastSeenStamp_ = stamp;
    recordCount_ = count;
    knownSize_ = size;
    return true;
}

bool HDBFFile::WriteHeaderAfterWrite() {
    if (wholeTableLocked_) return true;
    // Nobody else can read this header before Close rewrites it.
    if (!OthersMayLook()) return true;
    return WriteHeader();
}

bool HDBFFile::WriteHeader() {
    if (!IsOpen() || ReadOnly()) return true;
    if (!FlushWriteBehind()) return false;
    if (!headerDirty_) return true;
    if (!LockHeader()) return false;
    HHeaderLockGuard headerLock(*this);
    const HDateTime now = Now();
    const uint32_t stamp =
        ((static_cast<uint32_t>(now.hour) * 64 + static_cast<uint32_t>(now.minute)) * 64 +
         static_cast<uint32_t>(now.second)) *
            1024 +
        static_cast<uint32_t>(now.millisecond);
    std::array<uint8_t, 32> fresh = header_;
    fresh[dbf::kYearOffset] = static_cast<uint8_t>(now.year % 100);
    fresh[dbf::kMonthOffset] = static_cast<uint8_t>(now.month);
    fresh[dbf::kDayOffset] = static_cast<uint8_t>(now.day);
    DbfPut32(&fresh[dbf::kRecordCountOffset], static_cast<uint32_t>(recordCount_));
    fresh[dbf::kFlagsOffset] = flags_;
    DbfPut32(&fresh[dbf::kUpdateStampOffset], stamp);
    DbfPut32(&fresh[dbf::kUserIdOffset], static_cast<uint32_t>(userId_));
    const std::string before(reinterpret_cast<const char*>(header_.data()), header_.size());
    const int code =
        WriteOrRestore(0, reinterpret_cast<const char*>(fresh.data()), fresh.size(), before);
    if (code != 0) {
        headerLock.Release();
        ReportError(code, zsub::kWrite, FileName());
        return false;
    }
    header_ = fresh;
    headerDirty_ = false;
    lastSeenStamp_ = stamp;
    lastSeenCount_ = recordCount_;
    return headerLock.Release();
}

// --- Locks ------------------------------------------------------------------------------

uint64_t HDBFFile::RecordLockOffset(int recNo) const {
    const uint64_t n = static_cast<uint64_t>(recNo);
    switch (LockProtocol()) {
        case HLokProtocol::DB4Lock:
            return SecondOffset() - n - 1;
        case HLokProtocol::ClipLock:
            return FirstOffset() + n - 1;
        default:
            if (HasIndexFiles()) return SecondOffset() - n;
            return FirstOffset() + static_cast<uint64_t>(headerLength_) +
                   (n - 1) * static_cast<uint64_t>(recordLength_);
    }
}

int HDBFFile::TryTakeLock(LockKind kind, int recNo) {
    if (wholeTableLocked_) {
        ++lockDepth_;
        return 0;
    }
    int code = 0;
    switch (kind) {
        case LockKind::Record:
            code = LockRegion(RecordLockOffset(recNo), 1, recNo);
            break;
        case LockKind::Append:
            code = LockRegion(SecondOffset(), 1, -1);
            break;
        case LockKind::FileRange:
            code = LockRegion(FirstOffset(), FileLockLength(), -2);
            break;
        case LockKind::WholeFile:
            code = HFileObject::LockWholeFile(-3);
            break;
    }
    if (code != 0) return code;
    ++lockDepth_;
    if (kind == LockKind::WholeFile) wholeTableLocked_ = true;
    if (kind == LockKind::WholeFile || kind == LockKind::FileRange) {
        if (OthersMayLook()) RefreshHeaderNow();
    }
    return 0;
}

bool HDBFFile::TakeLock(LockKind kind, int recNo) {
    if (!CheckOpen(zsub::kLock)) return false;
    int code = TryTakeLock(kind, recNo);
    if (code != 0) {
        ReportError(code, zsub::kLock, FileName());
        return false;
    }
    return true;
}

// A lock the caller asks for may precede anything: the write-behind batch goes out first.
bool HDBFFile::LockRecord(int recNo) {
    return FlushWriteBehind() && TakeLock(LockKind::Record, recNo);
}
bool HDBFFile::LockAppend() { return FlushWriteBehind() && TakeLock(LockKind::Append, 0); }
bool HDBFFile::LockFileRange() { return FlushWriteBehind() && TakeLock(LockKind::FileRange, 0); }
bool HDBFFile::LockWholeFile() { return FlushWriteBehind() && TakeLock(LockKind::WholeFile, 0); }

bool HDBFFile::UnlockTable() {
    if (lockDepth_ == 0) return true;
    if (--lockDepth_ > 0) return true;
    bool ok = true;
    if (wholeTableLocked_) {
        ok = WriteHeader();
        wholeTableLocked_ = false;
    }
    int code = Unlock();
    if (code != 0) {
        ReportError(code, zsub::kUnlock, FileName());
        return false;
    }
    return ok;
}

bool HDBFFile::LockHeader() {
    if (headerLockDepth_++ > 0) return true;
    // Our own whole-file lock already covers the header.
    headerLockCovered_ = wholeTableLocked_;
    if (headerLockCovered_) return true;
    int code = LockBytes(dbf::kHeaderLockOffset, dbf::kHeaderLockLength);
    if (code != 0) {
        headerLockDepth_ = 0;
        ReportError(code, zsub::kHeaderLock, FileName());
        return false;
    }
    return true;
}

bool HDBFFile::UnlockHeader() {
    if (headerLockDepth_ == 0) return true;
    if (--headerLockDepth_ > 0) return true;
    if (headerLockCovered_) {
        headerLockCovered_ = false;
        return true;
    }
    int code = UnlockBytes(dbf::kHeaderLockOffset, dbf::kHeaderLockLength);
    if (code != 0) {
        ReportError(code, zsub::kHeaderLock, FileName());
        return false;
    }
    return true;
}
