// Index key expressions: the case tables of code page 437, NormalizeExpression, and the
// evaluator that turns a key or FOR expression into key text against the current record.
//
// The language: field names, quoted literals ("..." or '...'), the functions DTOC DTOS
// SUBSTR STR UPPER LEFT RIGHT RECNO DATE EMPTY LOWER .NOT.DELETED DELETED STRZERO, and the
// operators + and - (concatenation; - moves the left term's trailing blanks to the end).
// Every value is text; a date travels as its Julian day number right-aligned in 8 characters
// (8 blanks when empty or invalid).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Error reported for every failing field reference or function, with the offending text.
constexpr int kKeyExpressionError = 1006;
constexpr int kKeyExpressionSubCode = 5212;

// The expression copy and the result each live in a 256-byte buffer.
constexpr size_t kMaxExpressionLength = 255;
constexpr size_t kMaxKeyResultLength = 254;
// Width STR uses with one argument in a compound-index tag.
constexpr int kTagStrWidth = 10;

// Code page 437 case tables: identity except for the letters they map.
const std::array<unsigned char, 256>& UpperTable();
const std::array<unsigned char, 256>& LowerTable();

// Removes every blank outside quoted literals, except one blank standing directly before or
// after a run of comparison characters (< = > !). A double or single quote toggles the
// inside-a-literal state; literal text is never touched.
void NormalizeExpression(std::string& text);

// Offered every expression before the built-in evaluator: who = tag name, st = expression.
// A handler that sets tf supplies the result in rsl, Typ and Chg.
using HFormulaMake = std::function<void(const std::string& who, const std::string& st,
                                        std::string& rsl, char& Typ, bool& Chg, bool& tf)>;

// What the evaluator needs from the table: the current record buffer, its field layout and
// an error route. The table object implements it; tests use a fake. Field numbers are
// 0-based here.
class HKeySource {
public:
    virtual ~HKeySource() = default;

    virtual int FieldCount() const = 0;
    // Field name as stored (upper case, no padding).
    virtual std::string FieldName(int field) const = 0;
    // Upper-case type letter: C, N, F, D, L, T, M, ...
    virtual char FieldType(int field) const = 0;
    // Effective width (character fields: up to 65535).
    virtual int FieldWidth(int field) const = 0;
    virtual int FieldDecimals(int field) const = 0;
    // The field's bytes in the current record buffer, at full width.
    virtual std::string FieldBytes(int field) const = 0;
    // Numeric value of a numeric-like field; for a timestamp (T) field the stored millisecond
    // count.
    virtual double FieldNumber(int field) const = 0;
    // The field's changed flag: set when the field was stored since the record was read.
    virtual bool FieldChanged(int field) const = 0;

    virtual int32_t RecordNumber() const = 0;
    virtual bool RecordDeleted() const = 0;
    // The date "YYYYMMDD" in the table's current date format (DTOC without 1).
    virtual std::string FormatDate(const std::string& yyyymmdd) const = 0;
    // Today's date as "YYYYMMDD". The default reads the local clock.
    virtual std::string Today() const;

    // Receives error 1006 / 5212 with the offending text.
    virtual void ReportError(int code, int subCode, const std::string& text) = 0;

    // The table's OnFormula event; empty when none is assigned.
    virtual const HFormulaMake& Formula() const;

    // Direct access for compiled key programs (table/KeyProgram.h): the current record's bytes
    // and a field's offset in them. A source without them returns nullptr and -1, and the
    // program reads FieldBytes instead.
    virtual const char* RecordData() const { return nullptr; }
    virtual int FieldOffset(int /*field*/) const { return -1; }
};

// The result of an evaluation.
struct HKeyValue {
    std::string text;
    char type = '\0';  // 'C', 'N', 'D', 'L', 'T'; '\0' before the first term
    bool changed = false;
};

// Offers `expression` to the source's OnFormula handler. True when the handler took it (set
// tf); `out` then holds its result, type and changed flag. False when there is no handler or
// it declined; `out` is untouched.
bool EvaluateByFormula(HKeySource& source, const std::string* tagName,
                       const std::string& expression, HKeyValue& out);

// Evaluates `expression` for the tag named `*tagName` (nullptr: no tag, then STR with one
// argument returns its argument unchanged). `source` may be null (no table).
//
// Empty expression or no table: the tag name padded with blanks to at least 10 characters,
// type 'C', success. Otherwise OnFormula is offered the expression first; when it sets tf its
// result is taken and the built-in evaluator does not run. Returns true when the result
// text is not empty. Failures of field references and functions are reported through
// source->ReportError (1006 / 5212, offending text); `out` then holds what was appended
// before the failure.
bool EvaluateExpression(HKeySource* source, const std::string* tagName,
                        const std::string& expression, HKeyValue& out);
