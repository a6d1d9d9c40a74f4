// Character-set detection. A GEDCOM file names its character set on a level-1 CHAR line of the
// header record; TextDecoding.h turns the answer (and a byte-order mark) into the file's
// decoding.
#pragma once

#include <cstddef>
#include <string>

namespace gedcom {

// The detection result; the numbers are the codes the program reports.
enum class CharacterSet {
    IbmPc = 0,  // the CHAR line contains "IBMPC"
    Ansi = 1,   // "ANSI"
    Ansel = 2,  // "ANSEL"
    Mac = 3,    // "MAC"
    Other = 4,  // none of these, or no CHAR line in the header
};

// Reads the header record of the file at `path` (its first line that is not blank, up to the
// first later line that begins with "0") and classifies its first CHAR line. The tests are substring searches over the upper-cased
// line in the order above, so "1 CHAR IBMPC-850" gives IbmPc and "MACINTOSH" gives Mac.
// Throws std::runtime_error when the file cannot be opened or read.
CharacterSet DetectCharacterSet(const std::string& path);

// A short English name of the character set: "IBM PC", "ANSI", "ANSEL", "Macintosh", "other".
const char* CharacterSetName(CharacterSet set);

}  // namespace gedcom
