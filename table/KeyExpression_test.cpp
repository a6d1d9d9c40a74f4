#include "table/KeyExpression.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct FakeField {
    std::string name;
    char type;
    int width;
    int decimals;
    std::string bytes;
    double number;
    bool changed;
};

class FakeSource : public HKeySource {
public:
    std::vector<FakeField> fields;
    int32_t record = 1;
    bool deleted = false;
    std::string today = "20261208";
    std::vector<std::pair<int, std::string>> errors;
    HFormulaMake formula;

    int FieldCount() const override { return static_cast<int>(fields.size()); }
    std::string FieldName(int f) const override { return fields[f].name; }
    char FieldType(int f) const override { return fields[f].type; }
    int FieldWidth(int f) const override { return fields[f].width; }
    int FieldDecimals(int f) const override { return fields[f].decimals; }
    std::string FieldBytes(int f) const override { return fields[f].bytes; }
    double FieldNumber(int f) const override { return fields[f].number; }
    bool FieldChanged(int f) const override { return fields[f].changed; }
    int32_t RecordNumber() const override { return record; }
    bool RecordDeleted() const override { return deleted; }
    std::string FormatDate(const std::string& ymd) const override {
        return ymd.substr(6, 2) + "." + ymd.substr(4, 2) + "." + ymd.substr(0, 4);
    }
    std::string Today() const override { return today; }
    void ReportError(int code, int subCode, const std::string& text) override {
        EXPECT_EQ(code, 1006);
        EXPECT_EQ(subCode, 5212);
        errors.emplace_back(code, text);
    }
    const HFormulaMake& Formula() const override { return formula; }
};

std::string Padded(std::string s, size_t width) {
    s.resize(width, ' ');
    return s;
}

class KeyExpressionTest : public ::testing::Test {
protected:
    void SetUp() override {
        src_.fields = {
            {"RTYPE", 'C', 1, 0, "I", 0, false},
            {"NAME", 'C', 70, 0, Padded("Smith, John", 70), 0, false},
            {"POINTER", 'C', 20, 0, Padded("@I12@", 20), 0, false},
            {"OFFSET", 'N', 10, 0, "        42", 42, false},
            {"BIRTH", 'D', 8, 0, "20000101", 0, false},
            {"ALIVE", 'L', 1, 0, "y", 0, false},
            {"AMOUNT", 'N', 8, 2, "    3.50", 3.5, false},
        };
    }
    HKeyValue Eval(const std::string& expr) { return EvalTag(expr, &tagName_); }
    HKeyValue EvalTag(const std::string& expr, const std::string* tag) {
        HKeyValue v;
        ok_ = EvaluateExpression(&src_, tag, expr, v);
        return v;
    }
    FakeSource src_;
    std::string tagName_ = "NAME";
    bool ok_ = false;
};

TEST(CaseTables, UpperTableMapsTheListedCodePage437Letters) {
    const auto& u = UpperTable();
    EXPECT_EQ(u['a'], 'A');
    EXPECT_EQ(u['z'], 'Z');
    EXPECT_EQ(u['A'], 'A');
    EXPECT_EQ(u[0x81], 0x9A);
    EXPECT_EQ(u[0x82], 0x45);
    EXPECT_EQ(u[0x84], 0x8E);
    EXPECT_EQ(u[0x87], 0x80);
    EXPECT_EQ(u[0x8A], 0x45);
    EXPECT_EQ(u[0x8D], 0x49);
    EXPECT_EQ(u[0x91], 0x92);
    EXPECT_EQ(u[0x94], 0x99);
    EXPECT_EQ(u[0x97], 0x55);
    EXPECT_EQ(u[0x98], 0x59);
    EXPECT_EQ(u[0xA4], 0xA5);
    EXPECT_EQ(u[0xE4], 0xE4);
    EXPECT_EQ(u[0x8E], 0x8E);
    int changed = 0;
    for (int i = 0; i < 256; ++i) changed += u[i] != i;
    EXPECT_EQ(changed, 26 + 25);
}

TEST(CaseTables, LowerTableMapsTheListedCodePage437Letters) {
    const auto& l = LowerTable();
    EXPECT_EQ(l['A'], 'a');
    EXPECT_EQ(l[0x80], 0x87);
    EXPECT_EQ(l[0x8E], 0x84);
    EXPECT_EQ(l[0x8F], 0x86);
    EXPECT_EQ(l[0x92], 0x91);
    EXPECT_EQ(l[0x99], 0x94);
    EXPECT_EQ(l[0x9A], 0x81);
    EXPECT_EQ(l[0xA5], 0xA4);
    int changed = 0;
    for (int i = 0; i < 256; ++i) changed += l[i] != i;
    EXPECT_EQ(changed, 26 + 7);
}

TEST(NormalizeExpressionTest, RemovesBlanksOutsideLiterals) {
    std::string s = "RTYPE - UPPER( NAME ) + ' a  b '";
    NormalizeExpression(s);
    EXPECT_EQ(s, "RTYPE-UPPER(NAME)+' a  b '");
}

TEST(NormalizeExpressionTest, KeepsOneBlankAroundComparisonRuns) {
    std::string s = "AGE   >=  18 .AND. X!=Y";
    NormalizeExpression(s);
    EXPECT_EQ(s, "AGE >= 18.AND.X!=Y");
}

TEST(NormalizeExpressionTest, DoubleQuoteInsideSingleQuotedLiteralDoesNotToggle) {
    std::string s = "'a \" b' + \" c ' d\"";
    NormalizeExpression(s);
    EXPECT_EQ(s, "'a \" b'+\" c ' d\"");
}

TEST_F(KeyExpressionTest, LookupNameKeyIsTypeMinusUpperName) {
    HKeyValue v = Eval("RTYPE-UPPER(NAME)");
    EXPECT_TRUE(ok_);
    EXPECT_EQ(v.text, Padded("ISMITH, JOHN", 71));
    EXPECT_EQ(v.type, 'C');
    EXPECT_FALSE(v.changed);
}

TEST_F(KeyExpressionTest, LowerCaseExpressionIsUpperCasedBeforeEvaluation) {
    EXPECT_EQ(Eval("rtype-upper(name)").text, Padded("ISMITH, JOHN", 71));
}

TEST_F(KeyExpressionTest, UpperUsesCodePageTableAndLeavesUnmappedBytes) {
    src_.fields[1].bytes = Padded("\x84\xE4x", 70);
    HKeyValue v = Eval("UPPER(NAME)");
    EXPECT_EQ(v.text, Padded("\x8E\xE4X", 70));
}

TEST_F(KeyExpressionTest, MinusBetweenLiteralsMovesBlanksToTheEnd) {
    HKeyValue minus = Eval("\"AB  \"-\"CD\"");
    HKeyValue plus = Eval("\"AB  \"+\"CD\"");
    EXPECT_EQ(minus.text, "ABCD  ");
    EXPECT_EQ(plus.text, "AB  CD");
    EXPECT_EQ(minus.text.size(), plus.text.size());
}

TEST_F(KeyExpressionTest, MinusAfterFieldNameDoesNotMoveItsBlanks) {
    src_.fields[2].bytes = Padded("P1", 20);
    HKeyValue v = Eval("POINTER-RTYPE");
    EXPECT_EQ(v.text, Padded("P1", 20) + "I");
}

TEST_F(KeyExpressionTest, SubstrTakesFromNForM) {
    EXPECT_EQ(Eval("SUBSTR(NAME,3,2)").text, "it");
    EXPECT_EQ(Eval("SUBSTR(NAME,0)").text, src_.fields[1].bytes);
    EXPECT_EQ(Eval("SUBSTR(NAME,69)").text, "  ");
}

TEST_F(KeyExpressionTest, StrZeroPadsWithZeros) {
    HKeyValue v = Eval("STRZERO(OFFSET,10)");
    EXPECT_EQ(v.text, "0000000042");
    EXPECT_EQ(v.type, 'C');
}

TEST_F(KeyExpressionTest, StrUsesTagWidthOrReturnsTextWithoutTag) {
    EXPECT_EQ(Eval("STR(OFFSET)").text, "        42");
    EXPECT_EQ(Eval("STR(AMOUNT,6)").text, "  3.50");
    EXPECT_EQ(Eval("STR(AMOUNT,6,1)").text, "   3.5");
    EXPECT_EQ(EvalTag("STR(AMOUNT)", nullptr).text, "    3.50");
}

TEST_F(KeyExpressionTest, StrOfNonNumberOrWideWidthIsAnError) {
    Eval("STR(NAME,5)");
    EXPECT_FALSE(ok_);
    ASSERT_EQ(src_.errors.size(), 1u);
    Eval("STR(OFFSET,32)");
    EXPECT_FALSE(ok_);
    EXPECT_EQ(src_.errors.size(), 2u);
}

TEST_F(KeyExpressionTest, UnknownFieldReportsNameAndFails) {
    HKeyValue v = Eval("RTYPE+NOSUCH");
    EXPECT_FALSE(ok_);
    ASSERT_EQ(src_.errors.size(), 1u);
    EXPECT_EQ(src_.errors[0].second, "NOSUCH");
    EXPECT_EQ(v.text, "I");
}

TEST_F(KeyExpressionTest, UnknownFunctionAndBadArgumentsAreErrors) {
    Eval("FOO(NAME)");
    EXPECT_FALSE(ok_);
    Eval("LEFT(NAME,X)");
    EXPECT_FALSE(ok_);
    ASSERT_EQ(src_.errors.size(), 2u);
    EXPECT_EQ(src_.errors[1].second, "X");
    Eval("UPPER(NAME");
    EXPECT_FALSE(ok_);
    Eval("\"abc");
    EXPECT_FALSE(ok_);
    Eval("UPPER()");
    EXPECT_FALSE(ok_);
    EXPECT_EQ(src_.errors.size(), 5u);
}

TEST_F(KeyExpressionTest, StrMatchesInsideSubstrPosition) {
    // "STR" is found at position 12, inside SUBSTR: it is the STR function.
    EXPECT_EQ(Eval("STR(OFFSET,4)").text, "  42");
    // A prefix of a name selects it: "DTO" is DTOC.
    EXPECT_EQ(Eval("DTO(BIRTH,1)").text, "20000101");
}

TEST_F(KeyExpressionTest, DateFieldAloneTravelsAsJulianDay) {
    HKeyValue v = Eval("BIRTH");
    EXPECT_EQ(v.text, " 2451545");
    EXPECT_EQ(v.type, 'D');
    src_.fields[4].bytes = "        ";
    EXPECT_EQ(Eval("BIRTH").text, "        ");
}

TEST_F(KeyExpressionTest, DateFieldAfterAnotherTermStaysDigits) {
    HKeyValue v = Eval("RTYPE+BIRTH");
    EXPECT_EQ(v.text, "I20000101");
    EXPECT_EQ(v.type, 'C');
}

TEST_F(KeyExpressionTest, DtocAndDtos) {
    EXPECT_EQ(Eval("DTOS(BIRTH)").text, "20000101");
    EXPECT_EQ(Eval("DTOC(BIRTH)").text, "01.01.2000");
    EXPECT_EQ(Eval("DTOC(BIRTH,1)").text, "20000101");
    EXPECT_EQ(Eval("DTOC(BIRTH)").type, 'C');
}

TEST_F(KeyExpressionTest, DateFunctionIsTodayAndSetsChanged) {
    HKeyValue v = Eval("DATE()");
    EXPECT_TRUE(v.changed);
    EXPECT_EQ(v.type, 'D');
    EXPECT_EQ(Eval("DTOS(DATE())").text, "20261208");
}

TEST_F(KeyExpressionTest, RecnoDeletedEmptyLogical) {
    src_.record = 1234;
    EXPECT_EQ(Eval("RECNO()").text, "1234");
    EXPECT_EQ(Eval("RECNO()").type, 'N');
    EXPECT_EQ(Eval("DELETED()").text, "F");
    EXPECT_EQ(Eval(".NOT.DELETED()").text, "T");
    src_.deleted = true;
    EXPECT_EQ(Eval("DELETED()").text, "T");
    EXPECT_EQ(Eval(".NOT.DELETED()").text, "F");
    EXPECT_EQ(Eval("EMPTY(NAME)").text, "F");
    EXPECT_EQ(Eval("EMPTY(NAME)").type, 'L');
    HKeyValue alive = Eval("ALIVE");
    EXPECT_EQ(alive.text, "T");
    EXPECT_EQ(alive.type, 'C');
}

TEST_F(KeyExpressionTest, LeftRightLower) {
    EXPECT_EQ(Eval("LEFT(NAME,5)").text, "Smith");
    EXPECT_EQ(Eval("LEFT(RTYPE,5)").text, "I");
    EXPECT_EQ(Eval("RIGHT(POINTER,2)").text, "  ");
    EXPECT_EQ(Eval("LOWER(LEFT(NAME,5))").text, "smith");
}

TEST_F(KeyExpressionTest, NumericFieldFormattedInItsWidth) {
    HKeyValue v = Eval("AMOUNT");
    EXPECT_EQ(v.text, "    3.50");
    EXPECT_EQ(v.type, 'N');
}

TEST_F(KeyExpressionTest, ChangedFlagFollowsUsedFields) {
    src_.fields[2].changed = true;
    EXPECT_FALSE(Eval("RTYPE-UPPER(NAME)").changed);
    EXPECT_TRUE(Eval("UPPER(POINTER)").changed);
}

TEST_F(KeyExpressionTest, ParenthesesWrapTheRemainingExpression) {
    EXPECT_EQ(Eval("(RTYPE+POINTER)").text, "I" + src_.fields[2].bytes);
}

TEST_F(KeyExpressionTest, EmptyExpressionGivesPaddedTagName) {
    HKeyValue v = Eval("");
    EXPECT_TRUE(ok_);
    EXPECT_EQ(v.text, "NAME      ");
    EXPECT_EQ(v.type, 'C');
}

TEST_F(KeyExpressionTest, FieldThatWouldReach255CharactersFails) {
    src_.fields.push_back({"LONG", 'C', 250, 0, std::string(250, 'x'), 0, false});
    Eval("LONG");
    EXPECT_TRUE(ok_);
    Eval("RTYPE+RTYPE+RTYPE+RTYPE+LONG");
    EXPECT_TRUE(ok_);
    Eval("RTYPE+RTYPE+RTYPE+RTYPE+RTYPE+LONG");
    EXPECT_FALSE(ok_);
    ASSERT_EQ(src_.errors.size(), 1u);
    EXPECT_EQ(src_.errors[0].second, "LONG");
}

TEST_F(KeyExpressionTest, OnFormulaHandlerThatSetsTfReplacesEvaluator) {
    std::string seenWho, seenSt;
    src_.formula = [&](const std::string& who, const std::string& st, std::string& rsl, char& typ,
                       bool& chg, bool& tf) {
        seenWho = who;
        seenSt = st;
        rsl = "HANDLED";
        typ = 'C';
        chg = true;
        tf = true;
    };
    HKeyValue v = Eval("NOSUCH");
    EXPECT_TRUE(ok_);
    EXPECT_EQ(v.text, "HANDLED");
    EXPECT_TRUE(v.changed);
    EXPECT_EQ(seenWho, "NAME");
    EXPECT_EQ(seenSt, "NOSUCH");
    EXPECT_TRUE(src_.errors.empty());
}

TEST_F(KeyExpressionTest, OnFormulaHandlerThatDeclinesLeavesEvaluator) {
    src_.formula = [](const std::string&, const std::string&, std::string&, char&, bool&, bool&) {};
    EXPECT_EQ(Eval("RTYPE").text, "I");
}

TEST_F(KeyExpressionTest, EmptyResultIsFailureWithoutReport) {
    Eval("\"\"");
    EXPECT_FALSE(ok_);
    EXPECT_TRUE(src_.errors.empty());
}

}  // namespace
