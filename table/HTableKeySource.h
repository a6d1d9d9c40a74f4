// HTableKeySource: lets the key-expression evaluator read a table object's record: the
// fields of the record buffer (or of another copy of a record), their changed flags, the
// record number and deletion flag, the table's OnFormula event and its error route.
#pragma once

#include <cstdint>
#include <string>

#include "table/KeyExpression.h"

class HDBFTable;

// Field numbers are 0-based here (the evaluator's convention). Borrows the table, which must
// outlive it. Not thread-safe.
class HTableKeySource : public HKeySource {
public:
    explicit HTableKeySource(HDBFTable& table);

    // Evaluates against `record` (record length bytes, the deletion flag first) as record
    // number `recNo` instead of the record buffer; nullptr goes back to the record buffer.
    // The bytes must stay valid while they are used.
    void UseRecord(const char* record, int32_t recNo);
    // Evaluates against the record as last read or written (the table's saved record).
    void UseSavedRecord() {
        UseRecord(nullptr, 0);
        saved_ = true;
    }
    void UseRecordBuffer() { UseRecord(nullptr, 0); }

    // When on, only the first error is passed to the table; later ones are counted only.
    void SetReportOnce(bool on) { reportOnce_ = on; }
    // When on, errors are counted and not passed on at all.
    void SetQuiet(bool on) { quiet_ = on; }
    int ErrorsSeen() const { return errors_; }
    void ResetErrors() { errors_ = 0; }

    int FieldCount() const override;
    std::string FieldName(int field) const override;
    char FieldType(int field) const override;
    int FieldWidth(int field) const override;
    int FieldDecimals(int field) const override;
    std::string FieldBytes(int field) const override;
    double FieldNumber(int field) const override;
    bool FieldChanged(int field) const override;
    int32_t RecordNumber() const override;
    bool RecordDeleted() const override;
    std::string FormatDate(const std::string& yyyymmdd) const override;
    void ReportError(int code, int subCode, const std::string& text) override;
    const HFormulaMake& Formula() const override;
    const char* RecordData() const override { return Record(); }
    int FieldOffset(int field) const override;

private:
    const char* Record() const;

    HDBFTable& table_;
    const char* record_ = nullptr;
    int32_t recNo_ = 0;
    bool saved_ = false;
    bool reportOnce_ = false;
    bool quiet_ = false;
    int errors_ = 0;
};
