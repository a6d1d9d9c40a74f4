#include "person/NameSearch.h"

#include "gedcom/GedcomStrings.h"
#include "table/CharServices.h"
#include "table/HTable.h"

namespace namesearch {

std::string SearchKey(std::string_view text) { return kRangeLow + AnsiUpper(gedcom::Trim(text)); }

bool FindNearestName(HTable& table, std::string_view text) {
    table.SetFindNear(true);
    // The range keeps a near find among the names: a key below it lands on the first name, a
    // key after the last name at the end.
    return table.Find(SearchKey(text));
}

}  // namespace namesearch
