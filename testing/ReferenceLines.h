// Test support: the lines of a byte string as a reader must hand them out, worked out the
// plain way, independently of the line stream: LF, CR LF and a lone CR end a line, a final
// terminator makes no extra line, and empty input is one empty line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ReferenceLine {
    int64_t offset;
    std::string text;
};

inline std::vector<ReferenceLine> ReferenceLines(const std::string& bytes) {
    std::vector<ReferenceLine> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < bytes.size()) {
        char c = bytes[i];
        if (c != '\n' && c != '\r') {
            ++i;
            continue;
        }
        lines.push_back({static_cast<int64_t>(start), bytes.substr(start, i - start)});
        i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < bytes.size() || bytes.empty()) {
        lines.push_back({static_cast<int64_t>(start), bytes.substr(start)});
    }
    return lines;
}

// The lines of a UTF-16 file the plain way: code units in the mark's order, LF, CR LF and a
// lone CR unit end a line, each line converted to UTF-8 with U+FFFD for an unpaired surrogate
// and for an odd byte at the end.
inline std::vector<ReferenceLine> Utf16ReferenceLines(const std::string& bytes) {
    const bool little = static_cast<unsigned char>(bytes[0]) == 0xFF;
    std::vector<uint32_t> units;  // 0x110000 marks the odd byte
    std::vector<int64_t> offsets;
    for (size_t i = 0; i < bytes.size(); i += 2) {
        offsets.push_back(static_cast<int64_t>(i));
        if (i + 1 == bytes.size()) {
            units.push_back(0x110000);
            break;
        }
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(little ? a | (b << 8) : (a << 8) | b);
    }
    const auto utf8 = [](uint32_t c) {
        std::string out;
        if (c < 0x80) return std::string(1, static_cast<char>(c));
        int continuation = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        const unsigned lead[] = {0, 0xC0, 0xE0, 0xF0};
        out += static_cast<char>(lead[continuation] | (c >> (6 * continuation)));
        while (continuation-- > 0) out += static_cast<char>(0x80 | ((c >> (6 * continuation)) & 0x3F));
        return out;
    };
    std::vector<ReferenceLine> lines;
    size_t i = 1;  // after the mark
    size_t start = 1;
    bool nul = false;
    std::string text;
    const auto finish = [&](size_t lineStart) {
        lines.push_back({lineStart == 1 ? 0 : offsets[lineStart], text});
        text.clear();
        nul = false;
    };
    while (i < units.size()) {
        const uint32_t u = units[i];
        if (u == '\n' || u == '\r') {
            finish(start);
            i += (u == '\r' && i + 1 < units.size() && units[i + 1] == '\n') ? 2 : 1;
            start = i;
            continue;
        }
        ++i;
        if (nul) continue;
        if (u == 0) {
            nul = true;
        } else if (u == 0x110000) {
            text += utf8(0xFFFD);
        } else if (u >= 0xD800 && u <= 0xDBFF && i < units.size() && units[i] >= 0xDC00 &&
                   units[i] <= 0xDFFF) {
            text += utf8(0x10000 + ((u - 0xD800) << 10) + (units[i] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            text += utf8(0xFFFD);
        } else {
            text += utf8(u);
        }
    }
    if (start < units.size() || start == 1) finish(start);
    return lines;
}

inline bool IsUtf16(const std::string& bytes) {
    return bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                                 (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
}

// The lines a reader of GEDCOM files hands out for `bytes`: the lines above, except that a
// UTF-8 byte-order mark is not part of the first line's text and a UTF-16 file (FF FE or FE FF)
// gives its lines converted to UTF-8.
inline std::vector<ReferenceLine> ExpectedLines(const std::string& bytes) {
    if (IsUtf16(bytes)) return Utf16ReferenceLines(bytes);
    std::vector<ReferenceLine> lines = ReferenceLines(bytes);
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) lines[0].text.erase(0, 3);
    return lines;
}
