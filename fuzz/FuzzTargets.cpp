#include "fuzz/FuzzTargets.h"

#include "fuzz/FuzzSupport.h"

namespace fuzz {

const std::vector<TFuzzTarget>& FuzzTargets() {
    // GEDCOM input up to 64 KB passes the line stream's 32 KB chunks; a table of 16 KB holds
    // a few hundred records, an index of 32 KB a few tags over the fixed table.
    static const std::vector<TFuzzTarget> targets = {
        {"linestream", FuzzLineStream, 64 * 1024, nullptr},
        {"dbf", FuzzDbf, 16 * 1024, nullptr},
        {"cdx", FuzzCdx, 32 * 1024, PrepareCdx},
        {"keyexpr", FuzzKeyExpression, 1024, PrepareKeyExpression},
        {"builder", FuzzBuilder, 64 * 1024, nullptr},
        {"person", FuzzPerson, 64 * 1024, nullptr},
    };
    return targets;
}

}  // namespace fuzz
