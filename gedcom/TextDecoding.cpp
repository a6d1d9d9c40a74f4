#include "gedcom/TextDecoding.h"

#include <array>
#include <memory>
#include <stdexcept>
#include <unicode/normalizer2.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include "gedcom/AnselTable.h"
#include "gedcom/CharacterSet.h"
#include "gedcom/LineStream.h"
#include "gedcom/UnicodeChars.h"

namespace gedcom {

namespace {

// The code point of each byte of an 8-bit character set.
using ByteTable = std::array<char32_t, 256>;

// Bytes 0x00-0x7F are ASCII in every set a GEDCOM file may declare; the upper half comes from
// ICU's converter `name`. ICU's IBM tables move some control bytes around, which GEDCOM text
// never wants, so the lower half is never taken from them.
ByteTable TableFromIcu(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, void (*)(UConverter*)> converter(ucnv_open(name, &status),
                                                                 ucnv_close);
    if (U_FAILURE(status) || converter == nullptr) {
        throw std::runtime_error(std::string("cannot open the ICU converter ") + name + ": " +
                                 u_errorName(status));
    }
    ByteTable table;
    for (char32_t byte = 0; byte < 0x80; ++byte) table[byte] = byte;
    for (int byte = 0x80; byte < 0x100; ++byte) {
        const char in = static_cast<char>(byte);
        UChar out[4];
        status = U_ZERO_ERROR;
        const int32_t length = ucnv_toUChars(converter.get(), out, 4, &in, 1, &status);
        table[byte] = (U_SUCCESS(status) && length == 1 && out[0] != 0x1A) ? out[0] : 0xFFFD;
    }
    return table;
}

const ByteTable& Windows1252() {
    static const ByteTable table = [] {
        ByteTable t = TableFromIcu("windows-1252");
        // The five unassigned bytes stand for the C1 controls of the same number.
        for (char32_t byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) t[byte] = byte;
        return t;
    }();
    return table;
}

const ByteTable& CodePage437() {
    static const ByteTable table = TableFromIcu("ibm-437");
    return table;
}

const ByteTable& MacRoman() {
    static const ByteTable table = TableFromIcu("macintosh");
    return table;
}

const ByteTable& Ansel() {
    static const ByteTable table = [] {
        ByteTable t;
        for (char32_t byte = 0; byte < 0x80; ++byte) t[byte] = byte;
        for (size_t byte = 0x80; byte < 0x100; ++byte) t[byte] = kAnselUpperHalf[byte - 0x80];
        return t;
    }();
    return table;
}


void DecodeBytes(const ByteTable& table, std::string_view line, std::string& out) {
    out.clear();
    for (char byte : line) AppendUtf8(out, table[static_cast<unsigned char>(byte)]);
}

bool IsValidUtf8(std::string_view line) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(line.data());
    const auto length = static_cast<int32_t>(line.size());
    for (int32_t i = 0; i < length;) {
        if (bytes[i] < 0x80) {
            ++i;
            continue;
        }
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) return false;
    }
    return true;
}


// ANSEL puts a letter's combining marks before it; Unicode after it. Marks at the end of the
// line, with no letter to follow, are kept where they stand.
void DecodeAnsel(std::string_view line, std::string& out) {
    const ByteTable& table = Ansel();
    icu::UnicodeString text;
    icu::UnicodeString marks;
    for (char byte : line) {
        const auto c = static_cast<UChar32>(table[static_cast<unsigned char>(byte)]);
        if (IsCombiningMark(static_cast<char32_t>(c))) {
            marks.append(c);
            continue;
        }
        text.append(c);
        text.append(marks);
        marks.remove();
    }
    text.append(marks);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("cannot load ICU's normalisation data: ") +
                                 u_errorName(status));
    }
    const icu::UnicodeString composed = nfc->normalize(text, status);
    out.clear();
    composed.toUTF8String(out);
}

}  // namespace

TextDecoding ChooseTextDecoding(const std::string& path) {
    if (TLineStream(path).Mark() != TLineStream::ByteOrderMark::None) return TextDecoding::Utf8;
    switch (DetectCharacterSet(path)) {
        case CharacterSet::IbmPc: return TextDecoding::CodePage437;
        case CharacterSet::Ansel: return TextDecoding::Ansel;
        case CharacterSet::Mac: return TextDecoding::MacRoman;
        case CharacterSet::Ansi:
        case CharacterSet::Other: break;
    }
    return TextDecoding::Utf8;
}

const char* TextDecodingName(TextDecoding decoding) {
    switch (decoding) {
        case TextDecoding::Utf8: return "UTF-8";
        case TextDecoding::CodePage437: return "IBM PC";
        case TextDecoding::Ansel: return "ANSEL";
        case TextDecoding::MacRoman: return "Macintosh";
    }
    return "UTF-8";
}

size_t AsciiPrefixLength(std::string_view text) {
    // Eight bytes at a time: a long line of plain text is the common case.
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        __builtin_memcpy(&word, text.data() + i, 8);
        if ((word & 0x8080808080808080ULL) != 0) break;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
    return i;
}

std::string_view DecodeLine(TextDecoding decoding, std::string_view line, std::string& scratch) {
    if (IsAscii(line)) return line;
    switch (decoding) {
        case TextDecoding::Utf8:
            if (IsValidUtf8(line)) return line;
            DecodeBytes(Windows1252(), line, scratch);
            break;
        case TextDecoding::CodePage437: DecodeBytes(CodePage437(), line, scratch); break;
        case TextDecoding::MacRoman: DecodeBytes(MacRoman(), line, scratch); break;
        case TextDecoding::Ansel: DecodeAnsel(line, scratch); break;
    }
    return scratch;
}

std::string DecodedLine(TextDecoding decoding, std::string_view line) {
    std::string scratch;
    return std::string(DecodeLine(decoding, line, scratch));
}

}  // namespace gedcom
