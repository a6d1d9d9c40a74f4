// The compiled kind mirrors the evaluator's term parser: a field name ends at the + or - after
// it and consumes it (so no blanks move after a field), while a function's closing parenthesis
// leaves the operator to the sequence, where a - moves the function result's trailing blanks.
#include "table/KeyProgram.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "table/CharServices.h"
#include "table/KeyCollation.h"

namespace {

std::string Upper(std::string_view text) {
    const std::array<unsigned char, 256>& upper = UpperTable();
    std::string out(text);
    for (char& c : out) c = static_cast<char>(upper[static_cast<unsigned char>(c)]);
    return out;
}

// Where the run of blanks that ends [first, last) begins.
const char* TrailingBlanksStart(const char* first, const char* last) {
    return first +
           TrimTrailing(std::string_view(first, static_cast<size_t>(last - first)), false).size();
}

bool NameChar(char c) {
    return c != '\0' && c != '"' && c != '\'' && c != '(' && c != ')' && c != '+' && c != '-';
}

}  // namespace

bool HKeyProgram::Compile(const HKeySource& source, const std::string& expression) {
    terms_.clear();
    compiled_ = false;
    if (expression.empty() || expression.size() > kMaxExpressionLength) return false;
    std::string text = expression;
    NormalizeExpression(text);
    text = AnsiUpper(text);
    auto findField = [&source](const std::string& name) {
        const std::string wanted = Upper(name);
        for (int f = 0; f < source.FieldCount(); ++f)
            if (Upper(source.FieldName(f)) == wanted) return f;
        return -1;
    };
    size_t pos = 0;
    int total = 0;
    while (true) {
        size_t end = pos;
        while (end < text.size() && NameChar(text[end])) ++end;
        if (end == pos) return false;
        std::string word = text.substr(pos, end - pos);
        Term term;
        bool function = false;
        if (end < text.size() && text[end] == '(') {
            if (word == "UPPER")
                term.mapping = Case::Upper;
            else if (word == "LOWER")
                term.mapping = Case::Lower;
            else
                return false;
            pos = end + 1;
            end = pos;
            while (end < text.size() && NameChar(text[end])) ++end;
            if (end == pos || end >= text.size() || text[end] != ')') return false;
            word = text.substr(pos, end - pos);
            ++end;
            function = true;
        }
        term.field = findField(word);
        if (term.field < 0 || source.FieldType(term.field) != 'C') return false;
        term.width = source.FieldWidth(term.field);
        total += term.width;
        if (term.width < 1 || total > static_cast<int>(kMaxKeyResultLength)) return false;
        if (end == text.size()) {
            terms_.push_back(term);
            break;
        }
        const char op = text[end];
        if (op != '+' && op != '-') return false;
        term.moveBlanks = function && op == '-';
        terms_.push_back(term);
        pos = end + 1;
        if (pos >= text.size()) return false;  // an operator must be followed by a term
    }
    totalWidth_ = static_cast<size_t>(total);
    compiled_ = true;
    return true;
}

bool HKeyProgram::SingleField(int* field, int* width) const {
    if (!compiled_ || terms_.size() != 1 || terms_[0].mapping != Case::Keep) return false;
    *field = terms_[0].field;
    *width = terms_[0].width;
    return true;
}

bool HKeyProgram::Evaluate(HKeySource* source, const std::string* tagName,
                           const std::string& expression, HKeyValue& out) const {
    if (!compiled_ || source == nullptr)
        return EvaluateExpression(source, tagName, expression, out);
    // The same start as a fresh HKeyValue, but the text keeps its buffer: a build evaluates
    // into one value for all its records and allocates nothing once the buffer is big enough.
    out.text.clear();
    out.type = '\0';
    out.changed = false;
    if (EvaluateByFormula(*source, tagName, expression, out)) return true;
    const std::array<unsigned char, 256>& upper = UpperTable();
    const std::array<unsigned char, 256>& lower = LowerTable();
    const char* record = source->RecordData();
    out.type = 'C';
    out.text.reserve(totalWidth_);  // at most one allocation, not one per term
    size_t moved = 0;
    std::string bytes;
    for (const Term& term : terms_) {
        const int offset = record != nullptr ? source->FieldOffset(term.field) : -1;
        const char* at;
        if (offset >= 0) {
            at = record + offset;
        } else {
            bytes = source->FieldBytes(term.field);
            bytes.resize(static_cast<size_t>(term.width), ' ');
            at = bytes.data();
        }
        const size_t start = out.text.size();
        const size_t width = static_cast<size_t>(term.width);
        out.text.append(at, width);
        // Plain pointers: stores through a char pointer would make the compiler reload the
        // string's size and data for every byte.
        char* const first = out.text.data() + start;
        char* const last = first + width;
        if (term.mapping != Case::Keep) {
            const unsigned char* table = (term.mapping == Case::Upper ? upper : lower).data();
            // Fields are mostly trailing blanks; a table that keeps blanks need not see them.
            const char* end = table[static_cast<unsigned char>(' ')] == ' '
                                  ? TrailingBlanksStart(first, last)
                                  : last;
            for (char* c = first; c != end; ++c)
                *c = static_cast<char>(table[static_cast<unsigned char>(*c)]);
        }
        if (source->FieldChanged(term.field)) out.changed = true;
        if (term.moveBlanks) {
            const char* end = TrailingBlanksStart(first, last);
            moved += static_cast<size_t>(last - end);
            out.text.resize(start + static_cast<size_t>(end - first));
        }
    }
    out.text.append(moved, ' ');
    return !out.text.empty();
}
