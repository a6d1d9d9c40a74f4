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
