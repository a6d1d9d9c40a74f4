#include "person/RecordLines.h"

#include "gedcom/GedcomStrings.h"

namespace person {

namespace {
// Where the value of a six-character tag such as "2 DATE" begins.
constexpr size_t kTagLength = 6;
}  // namespace

std::string LineKey(std::string_view line) {
    std::string key(gedcom::Trim(line));
    for (char& c : key) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return key;
}

bool HasTag(std::string_view key, std::string_view tag) { return gedcom::StartsWith(key, tag); }

std::string TagValue(std::string_view line, size_t maxLength) {
    // Taken from the trimmed line so that indented lines give the same value as plain ones.
    std::string_view trimmed = gedcom::Trim(line);
    if (trimmed.size() <= kTagLength) return std::string();
    return std::string(gedcom::Trim(gedcom::Utf8Substr(trimmed, kTagLength, maxLength)));
}

bool HasLevel(std::string_view line, char level) {
    std::string_view trimmed = gedcom::TrimLeft(line);
    return !trimmed.empty() && trimmed.front() == level;
}

}  // namespace person
