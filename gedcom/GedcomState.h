// Application-wide state of the GEDCOM file being viewed. One instance for the whole process,
// used on the user-interface thread only.
#pragma once

#include <string>

#include "gedcom/TextDecoding.h"

struct TGedcomState {
    // Full path of the GEDCOM file being viewed; empty when none.
    std::string CurrentGedcomPath;
    // How the current file's lines are decoded wherever they are read (ChooseTextDecoding);
    // Utf8 at program start.
    gedcom::TextDecoding Decoding = gedcom::TextDecoding::Utf8;
    // True when the current file is read as the IBM PC code page: its lookup table is then
    // kept with xBase transliteration.
    bool IbmPc() const { return Decoding == gedcom::TextDecoding::CodePage437; }
    // Set when the user cancels a lookup-table build.
    bool BuildCancelled = false;
};

// The process's one instance.
TGedcomState& GedcomState();
