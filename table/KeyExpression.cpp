// The key-expression evaluator. It works on a copy of the expression into which it writes
// NULs to cut tokens, the way the stored expressions have always been read, so that odd
// expressions (a '(' that wraps the rest, a name ended by '-') give the same keys as before.
#include "table/KeyExpression.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "table/CharServices.h"
#include "table/DbfDate.h"

namespace {

constexpr std::array<unsigned char, 256> MakeUpper() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
    for (int c = 0x61; c <= 0x7A; ++c) t[c] = static_cast<unsigned char>(c - 0x20);
    t[0x81] = 0x9A;
    t[0x82] = 0x45;
    t[0x83] = 0x41;
    t[0x84] = 0x8E;
    t[0x85] = 0x41;
    t[0x86] = 0x8F;
    t[0x87] = 0x80;
    t[0x88] = t[0x89] = t[0x8A] = 0x45;
    t[0x8B] = t[0x8C] = t[0x8D] = 0x49;
    t[0x91] = 0x92;
    t[0x93] = 0x4F;
    t[0x94] = 0x99;
    t[0x95] = 0x4F;
    t[0x96] = t[0x97] = 0x55;
    t[0x98] = 0x59;
    t[0xA0] = 0x41;
    t[0xA1] = 0x49;
    t[0xA2] = 0x4F;
    t[0xA3] = 0x55;
    t[0xA4] = 0xA5;
    return t;
}

constexpr std::array<unsigned char, 256> MakeLower() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
    for (int c = 0x41; c <= 0x5A; ++c) t[c] = static_cast<unsigned char>(c + 0x20);
    t[0x80] = 0x87;
    t[0x8E] = 0x84;
    t[0x8F] = 0x86;
    t[0x92] = 0x91;
    t[0x99] = 0x94;
    t[0x9A] = 0x81;
    t[0xA5] = 0xA4;
    return t;
}

constexpr std::array<unsigned char, 256> kUpper = MakeUpper();
constexpr std::array<unsigned char, 256> kLower = MakeLower();

constexpr std::string_view kKeywords =
    "DTOCDTOSSUBSTRUPPERLEFTRIGHTRECNODATEEMPTYLOWER.NOT.DELETEDSTRZERO";

// Keyword positions (1-based) of the functions.
enum Function {
    kDtoc = 1,
    kDtos = 5,
    kSubstr = 9,
    kStr = 12,
    kUpperFn = 15,
    kLeft = 20,
    kRight = 24,
    kRecno = 29,
    kDate = 34,
    kEmpty = 38,
    kLowerFn = 43,
    kNotDeleted = 48,
    kDeleted = 53,
    kStrZero = 60,
};

bool IsComparison(char c) { return c == '<' || c == '=' || c == '>' || c == '!'; }

std::string MapThrough(std::string_view text, const std::array<unsigned char, 256>& table) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
    return out;
}

// Parses an optionally signed decimal integer that fills the whole text.
bool ParseInteger(std::string_view text, long* value) {
    size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    if (b == e) return false;
    std::string s(text.substr(b, e - b));
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (errno != 0 || end != s.c_str() + s.size()) return false;
    *value = v;
    return true;
}

std::string FormatFixed(double value, int width, int decimals) {
    if (width < 0) width = 0;
    if (width > 255) width = 255;
    if (decimals < 0) decimals = 0;
    if (decimals > 31) decimals = 31;
    char buf[512];
    int n = std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, value);
    if (n < 0) return {};
    return std::string(buf, std::min<size_t>(static_cast<size_t>(n), sizeof buf - 1));
}

// The evaluator's date form: Julian day right-aligned in 8, or 8 blanks.
std::string DateForm(int32_t julian) {
    if (julian < 0) return std::string(8, ' ');
    char buf[32];
    std::snprintf(buf, sizeof buf, "%8d", static_cast<int>(julian));
    return buf;
}

// "YYYYMMDD" of a value in the evaluator's date form; 8 blanks when it holds no day.
std::string YmdOfDateForm(std::string_view text) {
    long jd = 0;
    if (!ParseInteger(text, &jd) || jd < 1721120) return std::string(8, ' ');
    return DbfJulianToText(static_cast<int32_t>(jd));
}

class Evaluator {
public:
    Evaluator(HKeySource& source, const std::string* tagName)
        : source_(source), tagName_(tagName) {}

    // Evaluates a sequence of terms joined by + and -. With `minusMoves`, a - moves the
    // trailing blanks of the term before it to the end of the result. Returns false when a
    // term failed.
    bool Sequence(std::string buf, bool minusMoves, HKeyValue& v) {
        const size_t length = buf.size();
        size_t pos = 0;
        size_t termStart = 0;
        bool anyTerm = false;
        size_t moved = 0;
        while (pos < length) {
            char c = buf[pos];
            if (c == '+' || c == '-' || c == '\0') {
                ++pos;
                if (c == '-' && minusMoves && anyTerm) {
                    size_t end = v.text.size();
                    while (end > termStart && v.text[end - 1] == ' ') --end;
                    moved += v.text.size() - end;
                    v.text.resize(end);
                }
                continue;
            }
            termStart = v.text.size();
            TermResult r = Term(buf, pos, v);
            if (r == TermResult::kFailed) return false;
            if (r == TermResult::kEnd) break;
            anyTerm = true;
        }
        v.text.append(moved, ' ');
        if (v.text.size() > kMaxKeyResultLength) v.text.resize(kMaxKeyResultLength);
        return true;
    }

    int reports() const { return reports_; }

private:
    enum class TermResult { kOk, kEnd, kFailed };

    void Fail(const std::string& text) {
        ++reports_;
        source_.ReportError(kKeyExpressionError, kKeyExpressionSubCode, text);
    }

    // End of the remaining text: the first NUL at or after `pos`.
    static size_t RemainingEnd(const std::string& buf, size_t pos) {
        size_t e = pos;
        while (e < buf.size() && buf[e] != '\0') ++e;
        return e;
    }

    static void AppendTyped(HKeyValue& v, std::string_view text, char type) {
        v.type = v.type == '\0' ? type : 'C';
        v.text.append(text);
        if (v.text.size() > kMaxKeyResultLength) v.text.resize(kMaxKeyResultLength);
    }

    TermResult Term(std::string& buf, size_t& pos, HKeyValue& v) {
        const size_t length = buf.size();
        if (pos >= length) return TermResult::kEnd;
        // A '(' only wraps the whole remaining (sub)expression.
        while (pos < length && buf[pos] == '(') {
            ++pos;
            size_t e = RemainingEnd(buf, pos);
            if (e > pos && buf[e - 1] == ')') buf[e - 1] = '\0';
        }
        size_t i = pos;
        while (i < length && buf[i] != '\0' && buf[i] != '"' && buf[i] != '\'' && buf[i] != '(' &&
               buf[i] != '+' && buf[i] != '-')
            ++i;
        const char stop = i < length ? buf[i] : '\0';
        const std::string word = buf.substr(pos, i - pos);
        if (i < length) buf[i] = '\0';
        pos = i + 1;

        if (stop == '"' || stop == '\'') {
            size_t j = pos;
            while (j < length && buf[j] != '\0' && buf[j] != stop) ++j;
            if (j >= length || buf[j] != stop) {
                Fail(buf.substr(pos, j - pos));
                return TermResult::kFailed;
            }
            v.text.append(buf, pos, j - pos);
            if (v.text.size() > kMaxKeyResultLength) v.text.resize(kMaxKeyResultLength);
            v.type = 'C';
            pos = j + 1;
            return TermResult::kOk;
        }
        if (stop == '(') {
            int depth = 1;
            size_t j = pos;
            for (; j < length && buf[j] != '\0'; ++j) {
                if (buf[j] == '(') ++depth;
                if (buf[j] == ')' && --depth == 0) break;
            }
            if (depth != 0) {
                Fail(buf.substr(pos, j - pos));
                return TermResult::kFailed;
            }
            std::string args = buf.substr(pos, j - pos);
            buf[j] = '\0';
            pos = j + 1;
            return Function(word, args, v) ? TermResult::kOk : TermResult::kFailed;
        }
        return Field(word, v) ? TermResult::kOk : TermResult::kFailed;
    }

    bool Field(const std::string& name, HKeyValue& v) {
        const std::string wanted = MapThrough(name, kUpper);
        int field = -1;
        for (int f = 0; f < source_.FieldCount() && !name.empty(); ++f) {
            if (MapThrough(source_.FieldName(f), kUpper) == wanted) {
                field = f;
                break;
            }
        }
        if (field < 0 || v.text.size() + static_cast<size_t>(source_.FieldWidth(field)) >= 255) {
            Fail(name);
            return false;
        }
        const char type = source_.FieldType(field);
        std::string value;
        switch (type) {
            case 'C':
            case 'D':
                value = source_.FieldBytes(field);
                break;
            case 'L': {
                std::string b = source_.FieldBytes(field);
                char c = b.empty() ? ' ' : b[0];
                bool t = c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == 'J' || c == 'j';
                value = t ? "T" : "F";
                break;
            }
            case 'T': {
                double days = source_.FieldNumber(field) / 86400000.0 + 1721425.0;
                char buf[64];
                std::snprintf(buf, sizeof buf, "%.8f", days);
                value = buf;
                break;
            }
            default:
                value = FormatFixed(source_.FieldNumber(field), source_.FieldWidth(field),
                                    source_.FieldDecimals(field));
                break;
        }
        const bool first = v.type == '\0';
        v.type = first ? (type == 'L' ? 'C' : type) : 'C';
        if (source_.FieldChanged(field)) v.changed = true;
        if (type == 'D' && v.type == 'D') value = DateForm(DbfDateTextToJulian(value));
        v.text += value;
        return true;
    }

    static std::vector<std::string> SplitArguments(const std::string& args) {
        std::vector<std::string> out(1);
        int depth = 0;
        for (char c : args) {
            if (c == '(') ++depth;
            if (c == ')') --depth;
            if (c == ',' && depth == 0) {
                out.emplace_back();
                continue;
            }
            out.back() += c;
        }
        return out;
    }

    // STR and STRZERO.
    bool Str(const std::vector<std::string>& args, const std::string& value, long width,
             bool hasWidth, std::string* out) {
        if (!hasWidth) {
            if (tagName_ == nullptr) {
                *out = value;
                return true;
            }
            width = kTagStrWidth;
        }
        long decimals = 0;
        if (args.size() >= 3) {
            if (!ParseInteger(args[2], &decimals)) {
                Fail(args[2]);
                return false;
            }
        } else {
            size_t dot = value.find('.');
            if (dot != std::string::npos) decimals = static_cast<long>(value.size() - dot - 1);
        }
        size_t b = 0, e = value.size();
        while (b < e && value[b] == ' ') ++b;
        while (e > b && value[e - 1] == ' ') --e;
        std::string trimmed = value.substr(b, e - b);
        double number = 0;
        if (!trimmed.empty()) {
            char* end = nullptr;
            number = std::strtod(trimmed.c_str(), &end);
            if (end != trimmed.c_str() + trimmed.size()) {
                Fail(value);
                return false;
            }
        }
        if (width >= 32) {
            Fail(args.size() >= 2 ? args[1] : value);
            return false;
        }
        *out = FormatFixed(number, static_cast<int>(width), static_cast<int>(decimals));
        return true;
    }

    bool Function(const std::string& name, const std::string& argText, HKeyValue& v) {
        const size_t at = name.empty() ? std::string_view::npos : kKeywords.find(name);
        const int id = at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
        switch (id) {
            case kRecno:
                AppendTyped(v, std::to_string(source_.RecordNumber()), 'N');
                return true;
            case kDate: {
                v.changed = true;
                AppendTyped(v, DateForm(DbfDateTextToJulian(source_.Today())), 'D');
                return true;
            }
            case kNotDeleted:
                AppendTyped(v, source_.RecordDeleted() ? "F" : "T", 'L');
                return true;
            case kDeleted:
                AppendTyped(v, source_.RecordDeleted() ? "T" : "F", 'L');
                return true;
            case kDtoc:
            case kDtos:
            case kSubstr:
            case kStr:
            case kUpperFn:
            case kLeft:
            case kRight:
            case kEmpty:
            case kLowerFn:
            case kStrZero:
                break;
            default:
                Fail(name);
                return false;
        }

        const std::vector<std::string> args = SplitArguments(argText);
        long n = 0, m = 0;
        const bool hasN = args.size() >= 2, hasM = args.size() >= 3;
        if (hasN && !ParseInteger(args[1], &n)) {
            Fail(args[1]);
            return false;
        }
        if (hasM && !ParseInteger(args[2], &m)) {
            Fail(args[2]);
            return false;
        }
        if (args[0].empty()) {
            Fail(argText);
            return false;
        }
        HKeyValue arg;
        const int before = reports_;
        if (!Sequence(args[0], false, arg) || arg.text.empty()) {
            if (reports_ == before) Fail(argText);
            return false;
        }
        if (arg.changed) v.changed = true;
        std::string text = arg.text;
        const size_t len = text.size();
        char type = arg.type == '\0' ? 'C' : arg.type;

        switch (id) {
            case kDtoc:
                if (arg.type == 'D') {
                    std::string ymd = YmdOfDateForm(text);
                    text = (hasN && n == 1) ? ymd : source_.FormatDate(ymd);
                }
                type = 'C';
                break;
            case kDtos:
                if (arg.type == 'D') text = YmdOfDateForm(text);
                type = 'C';
                break;
            case kSubstr:
                if (n >= 1 && static_cast<size_t>(n) <= len) {
                    text = text.substr(static_cast<size_t>(n) - 1);
                    if (hasM && m >= 1 && static_cast<size_t>(m) < text.size())
                        text.resize(static_cast<size_t>(m));
                }
                break;
            case kStr:
            case kStrZero: {
                std::string formatted;
                if (!Str(args, text, n, hasN, &formatted)) return false;
                if (id == kStrZero) {
                    for (char& c : formatted) {
                        if (c != ' ') break;
                        c = '0';
                    }
                }
                text = formatted;
                type = 'C';
                break;
            }
            case kUpperFn:
                text = MapThrough(text, kUpper);
                break;
            case kLowerFn:
                text = MapThrough(text, kLower);
                break;
            case kLeft:
                if (hasN && n < static_cast<long>(len)) text.resize(n > 0 ? n : 0);
                break;
            case kRight:
                if (hasN && n < static_cast<long>(len)) text = text.substr(len - (n > 0 ? n : 0));
                break;
            case kEmpty:
                text = "F";
                type = 'L';
                break;
        }
        AppendTyped(v, text, type);
        return true;
    }

    HKeySource& source_;
    const std::string* tagName_;
    int reports_ = 0;
};

}  // namespace

const std::array<unsigned char, 256>& UpperTable() { return kUpper; }
const std::array<unsigned char, 256>& LowerTable() { return kLower; }

std::string HKeySource::Today() const {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday);
    return buf;
}

const HFormulaMake& HKeySource::Formula() const {
    static const HFormulaMake kNone;
    return kNone;
}

void NormalizeExpression(std::string& text) {
    std::string out;
    out.reserve(text.size());
    char quote = '\0';
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != '\0') {
            if (c == quote) quote = '\0';
            out += c;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
            out += c;
            continue;
        }
        if (c == ' ') {
            const bool beforeRun = i + 1 < text.size() && IsComparison(text[i + 1]);
            const bool afterRun = i > 0 && IsComparison(text[i - 1]);
            if (beforeRun || afterRun) out += c;
            continue;
        }
        out += c;
    }
    text = out;
}

bool EvaluateByFormula(HKeySource& source, const std::string* tagName,
                       const std::string& expression, HKeyValue& out) {
    const HFormulaMake& formula = source.Formula();
    if (!formula) return false;
    std::string rsl;
    char typ = 'C';
    bool chg = false;
    bool tf = false;
    formula(tagName != nullptr ? *tagName : std::string(), expression, rsl, typ, chg, tf);
    if (!tf) return false;
    out.text = rsl;
    out.type = typ;
    out.changed = chg;
    return true;
}

bool EvaluateExpression(HKeySource* source, const std::string* tagName,
                        const std::string& expression, HKeyValue& out) {
    out = HKeyValue{};
    if (expression.empty() || source == nullptr) {
        out.text = tagName != nullptr ? *tagName : std::string();
        if (out.text.size() < 10) out.text.append(10 - out.text.size(), ' ');
        out.type = 'C';
        return true;
    }
    if (EvaluateByFormula(*source, tagName, expression, out)) return true;
    std::string copy = expression.substr(0, kMaxExpressionLength);
    NormalizeExpression(copy);
    copy = AnsiUpper(copy);
    Evaluator evaluator(*source, tagName);
    const bool ok = evaluator.Sequence(copy, true, out);
    return ok && !out.text.empty();
}
