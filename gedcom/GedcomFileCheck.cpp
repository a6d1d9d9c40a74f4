#include "gedcom/GedcomFileCheck.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "gedcom/LineStream.h"

namespace gedcom {

namespace {

// How much of a file without a UTF-16 mark is looked at for NUL bytes.
constexpr size_t kTextProbeBytes = 4096;
// The longest first line quoted in the answer.
constexpr size_t kQuotedLength = 40;

bool HoldsNulBytes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;  // the line stream reports what is wrong with the file
    std::array<char, kTextProbeBytes> bytes{};
    const ssize_t count = ::read(fd, bytes.data(), bytes.size());
    ::close(fd);
    return count > 0 && std::find(bytes.begin(), bytes.begin() + count, '\0') != bytes.begin() + count;
}

std::string_view WithoutLeadingBlanks(std::string_view line) {
    const size_t first = line.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string_view() : line.substr(first);
}

// The line in quotes when it is short printable ASCII, so that the message shows what the file
// holds instead; otherwise nothing.
std::string Quoted(std::string_view line) {
    const bool printable = std::all_of(line.begin(), line.end(), [](char c) {
        return c >= 0x20 && c < 0x7F;
    });
    if (!printable) return {};
    if (line.size() > kQuotedLength) return "\"" + std::string(line.substr(0, kQuotedLength)) + "...\"";
    return "\"" + std::string(line) + "\"";
}

}  // namespace

std::string WhyNotGedcom(const std::string& path) {
    TLineStream stream(path);
    const bool utf16 = stream.Mark() == TLineStream::ByteOrderMark::Utf16Le ||
                       stream.Mark() == TLineStream::ByteOrderMark::Utf16Be;
    if (!utf16 && HoldsNulBytes(path)) return "it is not a text file (it holds NUL bytes)";
    while (!stream.EndOfFile()) {
        const std::string_view line = WithoutLeadingBlanks(stream.ReadLine());
        if (line.empty()) continue;
        if (line == "0 HEAD" || line.substr(0, 7) == "0 HEAD ") return {};
        const std::string quoted = Quoted(line);
        return quoted.empty() ? "its first line is not \"0 HEAD\""
                              : "its first line is " + quoted + ", not \"0 HEAD\"";
    }
    return "it is empty";
}

}  // namespace gedcom
