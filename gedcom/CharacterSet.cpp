#include "gedcom/CharacterSet.h"

#include "gedcom/GedcomStrings.h"
#include "gedcom/LineStream.h"
#include "table/CharServices.h"

namespace gedcom {

CharacterSet DetectCharacterSet(const std::string& path) {
    TLineStream reader(path);
    bool firstLine = true;
    while (!reader.EndOfFile()) {
        std::string_view line = reader.ReadLine();
        // Empty lines before the header are passed over.
        if (firstLine && IsBlank(line)) continue;
        // The first line is the header's own level-0 line; the next one that begins with "0"
        // starts the second record.
        if (!firstLine && !line.empty() && line[0] == '0') break;
        firstLine = false;
        if (AnsiUpper(Trim(line).substr(0, 6)) != "1 CHAR") continue;

        std::string upper = AnsiUpper(line);
        if (upper.find("IBMPC") != std::string::npos) return CharacterSet::IbmPc;
        if (upper.find("ANSI") != std::string::npos) return CharacterSet::Ansi;
        if (upper.find("ANSEL") != std::string::npos) return CharacterSet::Ansel;
        if (upper.find("MAC") != std::string::npos) return CharacterSet::Mac;
        return CharacterSet::Other;  // only the first CHAR line counts
    }
    return CharacterSet::Other;
}

const char* CharacterSetName(CharacterSet set) {
    switch (set) {
        case CharacterSet::IbmPc: return "IBM PC";
        case CharacterSet::Ansi: return "ANSI";
        case CharacterSet::Ansel: return "ANSEL";
        case CharacterSet::Mac: return "Macintosh";
        case CharacterSet::Other: break;
    }
    return "other";
}

}  // namespace gedcom
