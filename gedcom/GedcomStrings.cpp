#include "gedcom/GedcomStrings.h"

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

std::string PadToWidth(std::string_view text, size_t width) {
    std::string field(text.substr(0, width));
    field.resize(width, ' ');
    return field;
}

}  // namespace gedcom
