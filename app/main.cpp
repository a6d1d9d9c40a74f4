// Lineatum: a desktop viewer for GEDCOM genealogy files.
#include "app/ProgramEntry.h"

int main(int argc, char** argv) { return RunLineatum(argc, argv); }
