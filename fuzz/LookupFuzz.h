// Building the lookup table of a GEDCOM input, for the builder and person targets.
#pragma once

#include <cstdint>
#include <string>

namespace fuzz {

// Makes `gedcomPath` the current GEDCOM file (decoding chosen from the file) and builds its
// lookup table at `lookupPath` as lineatum-tool build does. Returns true when the table and its
// index were built; `rows` receives the builder's row count.
bool BuildFuzzLookup(const std::string& gedcomPath, const std::string& lookupPath, int64_t* rows);

}  // namespace fuzz
