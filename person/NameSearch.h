// The search behind the Select Person dialog: the list shows the named individuals of a lookup
// table in the order of its NAME tag, and typing moves it to the nearest name. Shared with
// lineatum-tool names, so that the tool runs exactly the search the dialog runs.
#pragma once

#include <string>
#include <string_view>

class HTable;

namespace namesearch {

// The NAME tag's keys are the record type followed by the upper-cased name; individuals with a
// name are exactly the keys from "I" up to "J".
inline constexpr const char* kRangeLow = "I";
inline constexpr const char* kRangeHigh = "J";

// The key sought for the typed `text` (Windows-1252): "I" followed by the text blank-trimmed
// and upper-cased. An empty text gives "I", the first name.
std::string SearchKey(std::string_view text);

// Switches the table's near-find on (it stays on) and finds SearchKey(text) in its current
// order, the NAME tag: the table lands on the first name (key from kRangeLow to kRangeHigh) not
// less than it, or at the end (Eof) when there is none. A text that sorts below every name
// lands on the first name. Returns whether a name equal to the key or beginning with it was
// found. REQUIRES: `table` is active with the NAME tag as its order.
bool FindNearestName(HTable& table, std::string_view text);

}  // namespace namesearch
