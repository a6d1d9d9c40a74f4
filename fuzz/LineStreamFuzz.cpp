// The line stream, the decodings and the stored form on any file.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTargets.h"
#include "gedcom/CharacterSet.h"
#include "gedcom/LineStream.h"
#include "gedcom/StoredText.h"
#include "gedcom/TextDecoding.h"

namespace fuzz {
namespace {

using gedcom::TextDecoding;

constexpr int64_t kDecodedBytes = 8 * 1024;
constexpr size_t kLongLine = 4 * 1024;

constexpr TextDecoding kDecodings[] = {TextDecoding::Utf8, TextDecoding::CodePage437,
                                       TextDecoding::Ansel, TextDecoding::MacRoman};

// Every decoding of one line: valid UTF-8, the same whichever way it is asked for, and the
// stored form is the decoded line's.
void CheckDecodings(std::string_view line) {
    std::string scratch;
    std::string storedScratch;
    for (TextDecoding decoding : kDecodings) {
        const std::string decoded(gedcom::DecodeLine(decoding, line, scratch));
        FUZZ_CHECK(ValidUtf8(decoded), std::string("DecodeLine gave ill-formed UTF-8 (") +
                                           gedcom::TextDecodingName(decoding) + ")");
        FUZZ_CHECK(gedcom::DecodedLine(decoding, line) == decoded,
                   "DecodedLine differs from DecodeLine");
        if (decoding == TextDecoding::Utf8 && ValidUtf8(line)) {
            FUZZ_CHECK(decoded == line, "a valid UTF-8 line changed in the UTF-8 decoding");
        }
        if (gedcom::IsAscii(line)) FUZZ_CHECK(decoded == line, "an ASCII line changed");
        const std::string stored(gedcom::StoredLine(decoding, line, storedScratch));
        FUZZ_CHECK(stored == gedcom::ToStoredText(decoded),
                   std::string("StoredLine is not ToStoredText of the decoded line (") +
                       gedcom::TextDecodingName(decoding) + ")");
    }
}

}  // namespace

void FuzzLineStream(const uint8_t* data, size_t size) {
    TRunFiles files({"LINES.GED"});
    const std::string path = files.Path(0);
    WriteBytes(path, data, size);
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // A few line starts and their lines, read again below from there.
    std::vector<std::pair<int64_t, std::string>> starts;
    bool utf16 = false;
    {
        TLineStream stream(path);
        FUZZ_CHECK(stream.Size() == static_cast<int64_t>(size), "Size is not the file's size");
        utf16 = stream.Mark() == TLineStream::ByteOrderMark::Utf16Le ||
                stream.Mark() == TLineStream::ByteOrderMark::Utf16Be;
        int64_t previous = -1;
        size_t lines = 0;
        while (!stream.EndOfFile()) {
            const int64_t at = stream.LinePosition();
            FUZZ_CHECK(lines > 0 || at == 0, "the first line does not begin at 0");
            FUZZ_CHECK(at > previous, "line positions do not increase");
            FUZZ_CHECK(at <= static_cast<int64_t>(size), "a line begins past the end");
            const std::string_view line = stream.ReadLine();
            FUZZ_CHECK(++lines <= size + 1, "more lines than bytes");
            if (utf16) FUZZ_CHECK(ValidUtf8(line), "a UTF-16 line is not handed out as UTF-8");
            // Decoding is per line: the lines of the first few kilobytes and every long line
            // show it all, and the fuzzer runs many more inputs than if every line were decoded
            // four times.
            if (at < kDecodedBytes || line.size() >= kLongLine) CheckDecodings(line);
            if (starts.size() < 6 && lines % 5 == 1) starts.emplace_back(at, std::string(line));
            previous = at;
        }
    }
    // The person model starts a fresh reader at a stored line start.
    for (const auto& [at, text] : starts) {
        TLineStream again(path);
        again.SetPosition(at);
        FUZZ_CHECK(again.ReadLine() == text,
                   "a line read from its start differs from the line read in order");
    }

    gedcom::CharacterSetName(gedcom::DetectCharacterSet(path));
    gedcom::TextDecodingName(gedcom::ChooseTextDecoding(path));

    // Typed search text may be anything at all.
    const std::string stored = gedcom::ToStoredText(input);
    if (gedcom::IsAscii(input)) FUZZ_CHECK(stored == input, "ASCII text changed in stored form");
}

}  // namespace fuzz
