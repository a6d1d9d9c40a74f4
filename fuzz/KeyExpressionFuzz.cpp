// Key expressions of any text evaluated on a record of any bytes, through the table's own key
// source; where an expression compiles, the compiled program must agree with the evaluator.
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTables.h"
#include "fuzz/FuzzTargets.h"
#include "table/HDBFTable.h"
#include "table/HTableKeySource.h"
#include "table/KeyExpression.h"
#include "table/KeyProgram.h"

namespace fuzz {
namespace {

// The version 0x30 table, open for the life of the process. Never destroyed: at exit the
// engine's own registry of open files may already be gone.
struct TKeyTable {
    HDBFTable table;
    std::unique_ptr<HTableKeySource> source;
};

TKeyTable& KeyTable() {
    static TKeyTable* keys = new TKeyTable;
    return *keys;
}

std::string Describe(const HKeyValue& value, bool ok) {
    return std::string(ok ? "true" : "false") + " '" + value.text + "' type " +
           (value.type ? std::string(1, value.type) : std::string("none")) +
           (value.changed ? " changed" : "");
}

void Evaluate(HTableKeySource& source, const std::string* tag, const std::string& expression) {
    HKeyValue value;
    const bool ok = EvaluateExpression(&source, tag, expression, value);

    HKeyProgram program;
    if (!program.Compile(source, expression)) return;
    HKeyValue compiled;
    const bool compiledOk = program.Evaluate(&source, tag, expression, compiled);
    FUZZ_CHECK(compiledOk == ok && compiled.text == value.text && compiled.type == value.type &&
                   compiled.changed == value.changed,
               "the compiled key of \"" + expression + "\" is " + Describe(compiled, compiledOk) +
                   ", the evaluator's " + Describe(value, ok));
    int field = -1;
    int width = 0;
    if (program.SingleField(&field, &width)) {
        FUZZ_CHECK(field >= 0 && field < source.FieldCount() && width == source.FieldWidth(field),
                   "a single-field program names no field of the table");
        FUZZ_CHECK(value.text == source.FieldBytes(field),
                   "the key of a single field is not the field's bytes");
    }
}

}  // namespace

void PrepareKeyExpression() {
    const std::string path = FixedFile("KEYS.DBF");
    WriteBytes(path, KeyTableBytes());
    TKeyTable& keys = KeyTable();
    keys.table.OnZadarirError = [](int, int, const std::string&) {};
    FUZZ_CHECK(keys.table.Open(path, {HFileAccess::Read, HFileShare::DenyNone}),
               "the fixed key table does not open");
    FUZZ_CHECK(keys.table.ReadRecord(1), "the fixed key table has no record");
    keys.source = std::make_unique<HTableKeySource>(keys.table);
}

void FuzzKeyExpression(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t newline = input.find('\n');
    const std::string expression(input.substr(0, newline));
    // The rest of the input overwrites a sample record from its deletion flag on.
    const std::string_view rest =
        newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
    const std::vector<std::string> samples = KeyTableRecords();
    std::string record = samples[size % samples.size()];
    record.replace(0, std::min(rest.size(), record.size()), rest.substr(0, record.size()));

    HTableKeySource& source = *KeyTable().source;
    source.UseRecord(record.data(), 7);
    const std::string tag = "NAME";
    Evaluate(source, &tag, expression);
    Evaluate(source, nullptr, expression);
    source.UseRecordBuffer();

    std::string normalized = expression;
    NormalizeExpression(normalized);
}

}  // namespace fuzz
