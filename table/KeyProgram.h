// HKeyProgram: a key expression compiled once and run for many records, for the common kind of
// expression: character fields, UPPER(field) and LOWER(field), joined by + and -. It gives
// exactly what EvaluateExpression gives (OnFormula offered first, the moved blanks of -, the
// changed flag) without parsing the text again for every record. Expressions of any other kind
// are not compiled, and Evaluate then runs EvaluateExpression.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "table/KeyExpression.h"

class HKeyProgram {
public:
    // Compiles `expression` against the fields of `source`. Returns false (and Evaluate falls
    // back to the evaluator) when the expression is not of the compiled kind, names a field
    // that is missing or not of type C, or would make a key of 255 characters or more.
    bool Compile(const HKeySource& source, const std::string& expression);
    bool Compiled() const { return compiled_; }
    // True when the expression is one character field taken as it is: its key is the
    // field's bytes, which `*field` (0-based) and `*width` then give.
    bool SingleField(int* field, int* width) const;

    // The result of EvaluateExpression(source, tagName, expression, out) for the current
    // record. REQUIRES: `expression` and the field layout are those given to Compile.
    bool Evaluate(HKeySource* source, const std::string* tagName, const std::string& expression,
                  HKeyValue& out) const;

private:
    enum class Case : uint8_t { Keep, Upper, Lower };
    struct Term {
        int field = 0;
        int width = 0;
        Case mapping = Case::Keep;
        bool moveBlanks = false;  // a - follows a function: its trailing blanks move to the end
    };

    std::vector<Term> terms_;
    size_t totalWidth_ = 0;  // length of every result
    bool compiled_ = false;
};
