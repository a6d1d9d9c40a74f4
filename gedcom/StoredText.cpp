#include "gedcom/StoredText.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>


#include "gedcom/UnicodeChars.h"

namespace gedcom {

namespace {

const icu::Normalizer2& Normalizer(const icu::Normalizer2* (*instance)(UErrorCode&)) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* normalizer = instance(status);
    if (U_FAILURE(status) || normalizer == nullptr) {
        throw std::runtime_error(std::string("cannot load ICU's normalisation data: ") +
                                 u_errorName(status));
    }
    return *normalizer;
}

// The characters of Windows-1252's bytes 0x80-0x9F, from ICU's table; the five unassigned
// bytes stand for the C1 controls of the same number.
const std::array<UChar32, 32>& UpperControlsRow() {
    static const std::array<UChar32, 32> row = [] {
        std::array<UChar32, 32> r{};
        UErrorCode status = U_ZERO_ERROR;
        UConverter* converter = ucnv_open("windows-1252", &status);
        if (U_FAILURE(status)) {
            throw std::runtime_error(std::string("cannot open the ICU converter windows-1252: ") +
                                     u_errorName(status));
        }
        for (int byte = 0x80; byte < 0xA0; ++byte) {
            const char in = static_cast<char>(byte);
            UChar out[4];
            status = U_ZERO_ERROR;
            const int32_t length = ucnv_toUChars(converter, out, 4, &in, 1, &status);
            r[byte - 0x80] = (U_SUCCESS(status) && length == 1) ? out[0] : byte;
        }
        ucnv_close(converter);
        for (int byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) r[byte - 0x80] = byte;
        return r;
    }();
    return row;
}

// The Windows-1252 byte of `c`, or -1 when Windows-1252 has no such character.
int Windows1252Byte(UChar32 c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    const std::array<UChar32, 32>& row = UpperControlsRow();
    for (size_t i = 0; i < row.size(); ++i) {
        if (row[i] == c) return static_cast<int>(0x80 + i);
    }
    return -1;
}

// Letters stored without their marks although Windows-1252 has them, and letters without a
// decomposition that are stored as the plain letter they are drawn from.
const char* Replacement(UChar32 c) {
    switch (c) {
        case 0x0160: return "S";   // Š
        case 0x0161: return "s";   // š
        case 0x017D: return "Z";   // Ž
        case 0x017E: return "z";   // ž
        case 0x0152: return "OE";  // Œ
        case 0x0153: return "oe";  // œ
        case 0x0142: return "l";   // ł
        case 0x0141: return "L";   // Ł
        case 0x0111: return "d";   // đ
        case 0x0110: return "D";   // Đ
        case 0x0127: return "h";   // ħ
        case 0x0126: return "H";   // Ħ
        case 0x0131: return "i";   // ı
        case 0x0138: return "k";   // ĸ
        case 0x0140: return "l";   // ŀ
        case 0x013F: return "L";   // Ŀ
        case 0x0167: return "t";   // ŧ
        case 0x0166: return "T";   // Ŧ
        default: return nullptr;
    }
}

void AppendCharacter(UChar32 c, const icu::Normalizer2& nfd, std::string& out) {
    if (const char* replacement = Replacement(c)) {
        out += replacement;
        return;
    }
    if (const int byte = Windows1252Byte(c); byte >= 0) {
        out += static_cast<char>(byte);
        return;
    }
    if (IsCombiningMark(static_cast<char32_t>(c))) return;
    icu::UnicodeString decomposition;
    if (nfd.getDecomposition(c, decomposition)) {
        std::string letters;
        bool whole = true;
        for (int32_t i = 0; i < decomposition.length(); i = decomposition.moveIndex32(i, 1)) {
            const UChar32 part = decomposition.char32At(i);
            if (IsCombiningMark(static_cast<char32_t>(part))) continue;
            const char* replacement = Replacement(part);
            const int byte = Windows1252Byte(part);
            if (replacement != nullptr) {
                letters += replacement;
            } else if (byte >= 0) {
                letters += static_cast<char>(byte);
            } else {
                whole = false;
                break;
            }
        }
        if (whole && !letters.empty()) {
            out += letters;
            return;
        }
    }
    out += '?';
}

// Windows-1252 text (a line that is not UTF-8) in the table's form. Its characters are the
// code page's own and already composed (it has no combining marks), so only the six letters
// stored without their marks change.
void StoreWindows1252(std::string_view bytes, std::string& out) {
    out.assign(bytes);
    for (size_t i = 0; i < out.size(); ++i) {
        switch (static_cast<unsigned char>(out[i])) {
            case 0x8A: out[i] = 'S'; break;
            case 0x9A: out[i] = 's'; break;
            case 0x8E: out[i] = 'Z'; break;
            case 0x9E: out[i] = 'z'; break;
            case 0x8C: out.replace(i++, 1, "OE"); break;
            case 0x9C: out.replace(i++, 1, "oe"); break;
            default: break;
        }
    }
}

enum class Utf8Text {
    Latin1,   // only ASCII and U+00A0..U+00FF: stored one byte per character
    Other,    // valid UTF-8 with other characters: the full conversion
    Invalid,  // not UTF-8
};

// The common case without ICU: text of ASCII and the Latin-1 letters is composed already and
// each of its characters is its own Windows-1252 byte, which goes to `out`.
// `ascii` is the length of the text's ASCII start.
Utf8Text StoreLatin1(std::string_view text, size_t ascii, std::string& out) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    auto i = static_cast<int32_t>(ascii);
    out.assign(text.substr(0, ascii));
    bool other = false;
    while (i < length) {
        const uint8_t lead = bytes[i];
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        if ((lead == 0xC2 || lead == 0xC3) && i + 1 < length && (bytes[i + 1] & 0xC0) == 0x80) {
            const int code = ((lead & 0x1F) << 6) | (bytes[i + 1] & 0x3F);
            if (code >= 0xA0) {
                out += static_cast<char>(code);
                i += 2;
                continue;
            }
        }
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) return Utf8Text::Invalid;
        other = true;
    }
    return other ? Utf8Text::Other : Utf8Text::Latin1;
}

}  // namespace

std::string ToStoredText(std::string_view utf8) {
    const size_t ascii = AsciiPrefixLength(utf8);
    if (ascii == utf8.size()) return std::string(utf8);
    std::string latin1;
    if (StoreLatin1(utf8, ascii, latin1) == Utf8Text::Latin1) return latin1;
    const icu::Normalizer2& nfc = Normalizer(icu::Normalizer2::getNFCInstance);
    const icu::Normalizer2& nfd = Normalizer(icu::Normalizer2::getNFDInstance);
    // fromUTF8 turns each ill-formed sequence into one U+FFFD, which is then stored as "?".
    const icu::UnicodeString text =
        icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString composed = nfc.normalize(text, status);
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("cannot compose text: ") + u_errorName(status));
    }
    std::string out;
    out.reserve(utf8.size());
    for (int32_t i = 0; i < composed.length(); i = composed.moveIndex32(i, 1)) {
        AppendCharacter(composed.char32At(i), nfd, out);
    }
    return out;
}

std::string_view StoredLine(TextDecoding decoding, std::string_view line, std::string& scratch) {
    const size_t ascii = AsciiPrefixLength(line);
    if (ascii == line.size()) return line;
    if (decoding == TextDecoding::Utf8) {
        // Most lines of most files: decoded and converted in one pass.
        switch (StoreLatin1(line, ascii, scratch)) {
            case Utf8Text::Latin1: return scratch;
            case Utf8Text::Invalid: StoreWindows1252(line, scratch); return scratch;
            case Utf8Text::Other: scratch = ToStoredText(line); return scratch;
        }
    }
    std::string decoded;
    scratch = ToStoredText(DecodeLine(decoding, line, decoded));
    return scratch;
}

}  // namespace gedcom
