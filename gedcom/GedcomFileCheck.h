// Whether a file is a GEDCOM file at all, asked before the viewer builds or remembers anything
// for it.
#pragma once

#include <string>

namespace gedcom {

// Why the file at `path` is not a GEDCOM file, as a clause that follows "FILE is not a GEDCOM
// file: " ("it is empty"); empty when it is one. A GEDCOM file's first line, after a
// byte-order mark, leading empty lines and leading blanks (spaces and tabs), and decoded as
// the line stream decodes it, is "0 HEAD" or begins with "0 HEAD ". A file whose first bytes
// hold a NUL (and that has no UTF-16 byte-order mark) is not text. Reads no further than the
// first line that is not blank. Throws std::runtime_error naming the file when it cannot be
// read.
std::string WhyNotGedcom(const std::string& path);

}  // namespace gedcom
