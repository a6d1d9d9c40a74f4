#include "gedcom/LookupName.h"

#include <algorithm>

#include "gedcom/GedcomStrings.h"

namespace gedcom {

namespace {

// Where the value of "1 NAME" begins and how many characters of it count.
constexpr size_t kValueStart = 6;
constexpr size_t kValueLength = 99;

TLookupName Compose(std::string_view value) {
    TLookupName result;
    const size_t first = value.find('/');
    if (first == std::string_view::npos) {
        result.name = ", ";
        result.name += value;
        result.named = !value.empty();
        return result;
    }
    const std::string_view given = value.substr(0, first);
    std::string_view surname = value.substr(first + 1);
    surname = surname.substr(0, surname.find('/'));
    result.named = !surname.empty() || !given.empty();
    result.name.assign(Trim(surname));
    result.name += ", ";
    result.name += Trim(given);
    return result;
}

}  // namespace

TLookupName ComposeLookupName(std::string_view line) {
    return Compose(Trim(line.substr(std::min(kValueStart, line.size()), kValueLength)));
}

std::string ComposeShownName(std::string_view utf8Line) {
    const TLookupName composed = Compose(Trim(Utf8Substr(utf8Line, kValueStart, kValueLength)));
    return std::string(Utf8Prefix(composed.name, kLookupNameWidth));
}

}  // namespace gedcom
