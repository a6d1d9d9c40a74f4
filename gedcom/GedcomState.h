// Application-wide state of the GEDCOM file being viewed. One instance for the whole process,
// used on the user-interface thread only.
#pragma once

#include <string>

struct TGedcomState {
    // Full path of the GEDCOM file being viewed; empty when none.
    std::string CurrentGedcomPath;
    // True when the current file declares the IBM PC character set; its lines are then
    // converted to Windows-1252 wherever they are read. False at program start.
    bool IbmPc = false;
    // Set when the user cancels a lookup-table build.
    bool BuildCancelled = false;
};

// The process's one instance.
TGedcomState& GedcomState();
