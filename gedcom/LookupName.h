// The name rule of the lookup table: how an individual's "1 NAME" line becomes the sortable
// "Surname, Given names" the table stores and every view shows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gedcom {

// Width of the lookup table's NAME field: names are cut to it.
constexpr size_t kLookupNameWidth = 70;

struct TLookupName {
    std::string name;    // surname part + ", " + given part, each trimmed
    bool named = false;  // the row's type is "I"
};

// Composes the name from `line`, a trimmed line that begins with "1 NAME". The value is the
// 7th to 105th character, trimmed. Given part: the text before the first "/"; surname part:
// the text after it up to the next "/" (or to the end of the value); named when the untrimmed
// parts are not both empty. A value without any "/" has no surname: the name is ", " and the
// value, named when the value is not empty ("1 NAME Cher" gives ", Cher"); a line without a
// value gives ", ", not named. Characters are bytes: the line is in the table's Windows-1252.
// "1 NAME John William /Smith/" gives ("Smith, John William", true).
TLookupName ComposeLookupName(std::string_view line);

// The same rule for a line as the file has it (UTF-8), counting characters rather than bytes,
// the result cut to kLookupNameWidth characters: the name a person is shown with.
std::string ComposeShownName(std::string_view utf8Line);

}  // namespace gedcom
