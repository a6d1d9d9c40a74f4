// The notes of a person: where they come from (the person's own record or a note record named
// by its first "1 NOTE" line) and how note text is collected from a record's lines.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace person {

// Longest note line kept.
constexpr size_t kNoteLineLength = 250;

// Where the notes of a record come from, decided by its first "1 NOTE" line alone.
struct TNoteSource {
    bool hasNotes = false;    // the record has a "1 NOTE" line
    // Not empty when that line refers to a note record: its pointer, letters a to z upper-cased,
    // in the table's Windows-1252 (as every pointer the table is searched with).
    std::string notePointer;
};

// Looks at the first "1 NOTE" line of `rawRecord`. When its value begins with "@N" (such as
// "1 NOTE @N24@") the notes come from that note record; otherwise from the record itself.
TNoteSource FindNoteSource(const std::vector<std::string>& rawRecord);

// Appends to `notes` the note text of `lines`, one entry per line:
//   - "1 NOTE", "1 CONT", "1 CONC", "2 CONT" and "2 CONC" lines give their value (from the
//     7th character of the trimmed line, at most 250 characters, trimmed), even when empty.
//     Continuations are never joined to the line before;
//   - a level-0 note record line ("0 @N1@ NOTE text") gives the text after its NOTE tag, with
//     the case kept, when that is not blank;
//   - every other line is skipped.
void CollectNoteLines(const std::vector<std::string>& lines, std::vector<std::string>& notes);

}  // namespace person
