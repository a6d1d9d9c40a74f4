#include "table/KeyProgram.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Character fields held as one record: the program reads them by offset, the evaluator by
// FieldBytes.
class RecordSource : public HKeySource {
public:
    struct Field {
        std::string name;
        char type;
        int width;
        int offset;
    };
    std::vector<Field> fields{{"RTYPE", 'C', 1, 1},
                              {"NAME", 'C', 70, 2},
                              {"POINTER", 'C', 20, 72},
                              {"OFFSET", 'N', 10, 92}};
    std::string record = std::string(102, ' ');
    std::vector<bool> changed = std::vector<bool>(4, false);
    bool raw = true;
    int errors = 0;
    HFormulaMake formula;

    void Set(int f, const std::string& value) {
        std::string v = value;
        v.resize(static_cast<size_t>(fields[f].width), ' ');
        record.replace(static_cast<size_t>(fields[f].offset), v.size(), v);
    }
    int FieldCount() const override { return static_cast<int>(fields.size()); }
    std::string FieldName(int f) const override { return fields[f].name; }
    char FieldType(int f) const override { return fields[f].type; }
    int FieldWidth(int f) const override { return fields[f].width; }
    int FieldDecimals(int) const override { return 0; }
    std::string FieldBytes(int f) const override {
        return record.substr(static_cast<size_t>(fields[f].offset),
                             static_cast<size_t>(fields[f].width));
    }
    double FieldNumber(int f) const override { return std::atof(FieldBytes(f).c_str()); }
    bool FieldChanged(int f) const override { return changed[static_cast<size_t>(f)]; }
    int32_t RecordNumber() const override { return 1; }
    bool RecordDeleted() const override { return false; }
    std::string FormatDate(const std::string& ymd) const override { return ymd; }
    void ReportError(int, int, const std::string&) override { ++errors; }
    const HFormulaMake& Formula() const override { return formula; }
    const char* RecordData() const override { return raw ? record.data() : nullptr; }
    int FieldOffset(int f) const override { return fields[f].offset; }
};

TEST(KeyProgramTest, CompilesOnlyTheSimpleKind) {
    RecordSource source;
    HKeyProgram program;
    for (const char* expression :
         {"POINTER", "RTYPE-UPPER(NAME)", "rtype - upper( name )", "UPPER(NAME)-RTYPE",
          "LOWER(NAME)+POINTER-RTYPE", "UPPER(NAME)-UPPER(POINTER)"})
        EXPECT_TRUE(program.Compile(source, expression)) << expression;
    for (const char* expression :
         {"", "NOSUCH", "OFFSET", "UPP(NAME)", "(NAME)", "NAME+", "-NAME", "NAME--POINTER",
          "NAME+NAME+NAME+NAME", "UPPER(NAME", "'A'+NAME", "UPPER(NAME+RTYPE)", "STR(OFFSET)",
          "NAME+NAME+NAME+POINTER+POINTER+POINTER"})
        EXPECT_FALSE(program.Compile(source, expression)) << expression;
}

TEST(KeyProgramTest, GivesWhatTheEvaluatorGives) {
    RecordSource source;
    std::mt19937 rng(4);
    const std::string alphabet = "ab cdE, \x82\x84\xE9\xC9xyZ";
    auto text = [&](size_t most) {
        std::string t;
        for (size_t n = rng() % (most + 1); n > 0; --n) t += alphabet[rng() % alphabet.size()];
        return t;
    };
    const std::string tag = "NAME";
    for (const char* expression :
         {"POINTER", "RTYPE-UPPER(NAME)", "UPPER(NAME)-RTYPE", "LOWER(NAME)+POINTER-RTYPE",
          "UPPER(NAME)-UPPER(POINTER)-LOWER(RTYPE)", "NAME-POINTER", "upper(pointer)+name"}) {
        HKeyProgram program;
        ASSERT_TRUE(program.Compile(source, expression)) << expression;
        HKeyValue reused;  // as a build has it: one value for all records
        for (int i = 0; i < 300; ++i) {
            source.Set(0, text(1));
            source.Set(1, text(70));
            source.Set(2, text(20));
            for (size_t f = 0; f < 4; ++f) source.changed[f] = rng() % 4 == 0;
            source.raw = i % 2 == 0;
            HKeyValue want, got;
            const bool wantOk = EvaluateExpression(&source, &tag, expression, want);
            const bool gotOk = program.Evaluate(&source, &tag, expression, got);
            ASSERT_EQ(gotOk, wantOk) << expression;
            ASSERT_EQ(got.text, want.text) << expression;
            ASSERT_EQ(got.type, want.type) << expression;
            ASSERT_EQ(got.changed, want.changed) << expression;
            ASSERT_EQ(program.Evaluate(&source, &tag, expression, reused), wantOk) << expression;
            ASSERT_EQ(reused.text, want.text) << expression;
            ASSERT_EQ(reused.type, want.type) << expression;
            ASSERT_EQ(reused.changed, want.changed) << expression;
        }
    }
    EXPECT_EQ(source.errors, 0);
}

TEST(KeyProgramTest, OnFormulaIsOfferedFirstAndUncompiledTextsAreEvaluated) {
    RecordSource source;
    source.Set(2, "@I1@");
    HKeyProgram program;
    ASSERT_TRUE(program.Compile(source, "POINTER"));
    int offered = 0;
    source.formula = [&offered](const std::string& who, const std::string& st, std::string& rsl,
                                char& typ, bool& chg, bool& tf) {
        ++offered;
        EXPECT_EQ(who, "P");
        EXPECT_EQ(st, "POINTER");
        rsl.assign(1, 'X');
        typ = 'C';
        chg = true;
        tf = offered == 1;
    };
    const std::string tag = "P";
    HKeyValue v;
    EXPECT_TRUE(program.Evaluate(&source, &tag, "POINTER", v));
    EXPECT_EQ(v.text, "X");
    EXPECT_TRUE(v.changed);
    EXPECT_TRUE(program.Evaluate(&source, &tag, "POINTER", v));
    EXPECT_EQ(v.text, "@I1@                ");
    EXPECT_FALSE(v.changed);
    source.formula = nullptr;
    HKeyProgram none;
    EXPECT_FALSE(none.Compile(source, "NOSUCH"));
    EXPECT_FALSE(none.Evaluate(&source, &tag, "NOSUCH", v));
    EXPECT_EQ(source.errors, 1);
}


TEST(KeyProgramTest, ReusedValueKeepsNothingOfTheLastRecord) {
    RecordSource source;
    source.Set(0, "I");
    source.Set(1, "Smith, John");
    HKeyProgram program;
    ASSERT_TRUE(program.Compile(source, "RTYPE-UPPER(NAME)"));
    bool take = true;
    source.formula = [&take](const std::string&, const std::string&, std::string& rsl,
                             char& typ, bool& chg, bool& tf) {
        rsl.assign(300, '9');
        typ = 'N';
        chg = true;
        tf = take;
    };
    const std::string tag = "NAME";
    HKeyValue v;
    v.text.assign(500, 'Q');
    v.type = 'D';
    v.changed = true;
    EXPECT_TRUE(program.Evaluate(&source, &tag, "RTYPE-UPPER(NAME)", v));
    EXPECT_EQ(v.text, std::string(300, '9'));
    EXPECT_EQ(v.type, 'N');
    EXPECT_TRUE(v.changed);
    take = false;
    HKeyValue want;
    ASSERT_TRUE(EvaluateExpression(&source, &tag, "RTYPE-UPPER(NAME)", want));
    EXPECT_TRUE(program.Evaluate(&source, &tag, "RTYPE-UPPER(NAME)", v));
    EXPECT_EQ(v.text, want.text);
    EXPECT_EQ(v.text, "ISMITH, JOHN" + std::string(59, ' '));
    EXPECT_EQ(v.type, 'C');
    EXPECT_FALSE(v.changed);
}

}  // namespace
