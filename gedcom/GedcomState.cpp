#include "gedcom/GedcomState.h"

TGedcomState& GedcomState() {
    static TGedcomState state;
    return state;
}
