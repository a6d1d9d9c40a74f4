#include "gedcom/GedcomStrings.h"

#include <algorithm>

namespace gedcom {

namespace {
// How far past the first "@" a pointer may reach.
constexpr size_t kPointerReach = 99;
}  // namespace

std::string_view TrimLeft(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view TrimRight(std::string_view text) {
    size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::string_view Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

bool IsBlank(std::string_view text) { return Trim(text).empty(); }

std::string PointerOf(std::string_view line) {
    size_t first = line.find('@');
    if (first == std::string_view::npos) return std::string();
    std::string_view reach = line.substr(first + 1, kPointerReach);
    size_t second = reach.find('@');
    if (second == std::string_view::npos) return std::string();
    return std::string(reach.substr(0, second));
}

bool IsIndividualRecord(std::string_view line) {
    const size_t first = line.find('@');
    if (first == std::string_view::npos) return false;
    const size_t reach = std::min(line.size(), first + 1 + kPointerReach);
    size_t i = first + 1;
    while (i < reach && line[i] != '@') ++i;
    if (i == reach) return false;
    ++i;
    while (i < line.size() && line[i] == ' ') ++i;
    if (line.size() - i < 4) return false;
    // Setting bit 5 lower-cases a letter; of all bytes only "I" and "i" give "i", and so on.
    for (size_t k = 0; k < 4; ++k) {
        if ((line[i + k] | 0x20) != "indi"[k]) return false;
    }
    return i + 4 == line.size() || line[i + 4] == ' ';
}

std::string_view Utf8Prefix(std::string_view text, size_t count) {
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        // Every byte but a continuation byte starts a character.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && characters++ == count) {
            return text.substr(0, i);
        }
    }
    return text;
}

std::string_view Utf8Substr(std::string_view text, size_t start, size_t count) {
    const std::string_view skipped = Utf8Prefix(text, start);
    return Utf8Prefix(text.substr(skipped.size()), count);
}

std::string PadToWidth(std::string_view text, size_t width) {
    std::string field(text.substr(0, width));
    field.resize(width, ' ');
    return field;
}

}  // namespace gedcom
