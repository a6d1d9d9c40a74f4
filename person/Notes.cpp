#include "person/Notes.h"

#include <algorithm>
#include <string_view>

#include "gedcom/GedcomStrings.h"
#include "gedcom/StoredText.h"
#include "person/RecordLines.h"

namespace person {

namespace {

// The NOTE tag of a level-0 note record line in upper case, or npos. Searched after the
// pointer, so a pointer such as "@NOTE1@" is not taken for the tag.
size_t NoteTagPosition(std::string_view key) {
    size_t from = 0;
    size_t first = key.find('@');
    if (first != std::string_view::npos) {
        size_t second = key.find('@', first + 1);
        if (second != std::string_view::npos) from = second + 1;
    }
    return key.find("NOTE", from);
}

}  // namespace

TNoteSource FindNoteSource(const std::vector<std::string>& rawRecord) {
    TNoteSource source;
    for (const std::string& line : rawRecord) {
        std::string key = LineKey(line);
        if (!HasTag(key, "1 NOTE")) continue;
        source.hasNotes = true;
        // Only a value that starts with the pointer refers to a note record; an "@N" inside
        // free text (an e-mail address, say) must not make the note disappear.
        std::string_view value = gedcom::Trim(std::string_view(key).substr(6));
        if (gedcom::StartsWith(value, "@N")) {
            std::string_view tail = value.substr(1);
            size_t end = tail.find('@');
            source.notePointer =
                gedcom::ToStoredText(tail.substr(0, std::min<size_t>(end, 99)));
        }
        break;
    }
    return source;
}

void CollectNoteLines(const std::vector<std::string>& lines, std::vector<std::string>& notes) {
    for (const std::string& line : lines) {
        std::string_view trimmed = gedcom::Trim(line);
        std::string key = LineKey(line);
        if (HasTag(key, "1 NOTE") || HasTag(key, "1 CONC") || HasTag(key, "2 CONC") ||
            HasTag(key, "1 CONT") || HasTag(key, "2 CONT")) {
            notes.push_back(TagValue(trimmed, kNoteLineLength));
        } else if (HasTag(key, "0 @N")) {
            size_t tag = NoteTagPosition(key);
            if (tag == std::string::npos) continue;
            std::string_view text = gedcom::Utf8Prefix(trimmed.substr(tag + 4), kNoteLineLength);
            if (gedcom::NotBlank(text)) notes.emplace_back(gedcom::Trim(text));
        }
    }
}

}  // namespace person
