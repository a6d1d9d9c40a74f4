#include "table/HTableKeySource.h"

#include <cstdlib>
#include <cstring>

#include "table/HDBFTable.h"

HTableKeySource::HTableKeySource(HDBFTable& table) : table_(table) {}

void HTableKeySource::UseRecord(const char* record, int32_t recNo) {
    record_ = record;
    recNo_ = recNo;
    saved_ = false;
}

const char* HTableKeySource::Record() const {
    if (record_ != nullptr) return record_;
    return saved_ ? table_.SavedRecord().data() : table_.RecordBuffer().data();
}

int HTableKeySource::FieldCount() const { return table_.FieldCount(); }
std::string HTableKeySource::FieldName(int field) const { return table_.Field(field + 1).name; }
char HTableKeySource::FieldType(int field) const { return table_.Field(field + 1).type; }
int HTableKeySource::FieldWidth(int field) const { return table_.Field(field + 1).width; }
int HTableKeySource::FieldDecimals(int field) const { return table_.Field(field + 1).decimals; }
int HTableKeySource::FieldOffset(int field) const { return table_.Field(field + 1).offset; }

std::string HTableKeySource::FieldBytes(int field) const {
    const HFieldDescriptor& d = table_.Field(field + 1);
    return std::string(Record() + d.offset, static_cast<size_t>(d.width));
}

double HTableKeySource::FieldNumber(int field) const {
    const HFieldDescriptor& d = table_.Field(field + 1);
    const char* at = Record() + d.offset;
    if (table_.VersionByte() == 0x30) {
        // Binary fields of this kind of table.
        const auto* b = reinterpret_cast<const uint8_t*>(at);
        if ((d.type == 'B' || d.type == 'Y' || d.type == 'T') && d.width == 8) {
            if (d.type == 'B') {
                double v;
                std::memcpy(&v, at, 8);
                return v;
            }
            if (d.type == 'Y') {
                int64_t v;
                std::memcpy(&v, at, 8);
                return static_cast<double>(v) / 10000.0;
            }
            const auto day = static_cast<int32_t>(DbfGet32(b));
            const auto ms = static_cast<int32_t>(DbfGet32(b + 4));
            return (static_cast<double>(day) - dbf::kDateTimeOrigin) * 86400000.0 + ms;
        }
        if ((d.type == 'I' || d.type == 'G' || d.type == 'M') && d.width == 4)
            return static_cast<int32_t>(DbfGet32(b));
    }
    // Text: an empty or unreadable number counts as 0, without a report (a key is being made).
    std::string text(at, static_cast<size_t>(d.width));
    return std::strtod(text.c_str(), nullptr);
}

bool HTableKeySource::FieldChanged(int field) const {
    return record_ == nullptr && !saved_ && table_.FieldChanged(field + 1);
}

int32_t HTableKeySource::RecordNumber() const {
    return record_ != nullptr ? recNo_ : table_.RecNo();
}

bool HTableKeySource::RecordDeleted() const { return Record()[0] == dbf::kDeletedFlag; }

std::string HTableKeySource::FormatDate(const std::string& yyyymmdd) const {
    // MM/DD/YYYY, as the table shows dates.
    if (yyyymmdd.size() != 8) return yyyymmdd;
    return yyyymmdd.substr(4, 2) + "/" + yyyymmdd.substr(6, 2) + "/" + yyyymmdd.substr(0, 4);
}

void HTableKeySource::ReportError(int code, int subCode, const std::string& text) {
    ++errors_;
    if (quiet_ || (reportOnce_ && errors_ > 1)) return;
    table_.ReportError(code, subCode, text);
}

const HFormulaMake& HTableKeySource::Formula() const { return table_.OnFormula; }
