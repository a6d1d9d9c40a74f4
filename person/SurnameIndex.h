// The surnames of a lookup table as the Find Surname dialog browses them: the surnames that
// begin with a letter, the persons of one surname, and the pointer of each, all found through
// the NAME tag (keys "I" followed by the upper-cased name) without reading every record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class HTable;

namespace surnames {

// The buttons of the dialog: 'A' to 'Z', and '#' for every surname whose first letter, as the
// collation weighs it, is none of those (Ø, digits, apostrophes, ...).
inline constexpr char kOtherInitials = '#';

// The surname of a stored name "Surname, Given names": the text before the first comma,
// blank-trimmed, with every Windows-1252 letter that has two cases upper-cased (ü -> Ü,
// š -> Š, ÿ -> Ÿ; ß stays). Empty when the name has no comma.
std::string SurnameOf(std::string_view name);

// The button a stored spelling of a surname is listed under: 'A' to 'Z' when the first primary
// weight of its index key is that letter's (É under E, Æ under A, Þ under T), otherwise '#'.
// The spelling matters: the key's upper-casing turns "Š" into "E" and "Œ" into "I" but leaves
// "š" and "œ" an S and an O.
char InitialOf(std::string_view spelling);
// Every button a surname (as SurnameOf gives it) may be listed under, one for most surnames:
// the initials of the spellings it may be stored in, in a fixed order without repeats.
std::vector<char> InitialsOf(std::string_view surname);

// One entry of the person list: the name as the list shows it (the stored name blank-trimmed
// and upper-cased as SurnameOf upper-cases) and the person's pointer, blank-trimmed.
struct TSurnamePerson {
    std::string name;
    std::string pointer;
};

// Lookups over an open lookup table with its NAME tag. The table is not owned; each call moves
// its position and leaves it where it was before the call (record, Bof and Eof), in the order
// it had. Engine errors pass through as exceptions. User-interface thread only.
//
// The lists are exact: every named individual counts by the SurnameOf of its stored NAME,
// also where the index cannot tell spellings apart (accented and plain letters share their
// primary weights and interleave in the index; a few characters weigh exactly alike); records
// are read only where the index alone cannot decide. Memory does not grow with the table.
class TSurnameIndex {
public:
    explicit TSurnameIndex(HTable& table);
    ~TSurnameIndex();
    TSurnameIndex(const TSurnameIndex&) = delete;
    TSurnameIndex& operator=(const TSurnameIndex&) = delete;

    // Every surname listed under `letter` ('A' to 'Z', either case, or '#'), each once, in the
    // index order of its first key. Empty for any other letter.
    std::vector<std::string> ListSurnames(char letter);
    // Every individual whose SurnameOf equals `surname` (upper-cased as SurnameOf does first),
    // in index order. Empty for an empty surname.
    std::vector<TSurnamePerson> ListPersonsOfSurname(std::string_view surname);
    // The pointer of entry `n` (from 0) of ListPersonsOfSurname(surname); empty when there is
    // no such entry.
    std::string PointerOfPersonOfSurname(std::string_view surname, int n);

    // Counters for benchmarks: records read and index keys visited since creation.
    int64_t RecordsRead() const { return recordsRead_; }
    int64_t KeysVisited() const { return keysVisited_; }

private:
    class Walk;

    HTable& table_;
    int64_t recordsRead_ = 0;
    int64_t keysVisited_ = 0;
};

}  // namespace surnames
