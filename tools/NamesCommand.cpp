// lineatum-tool names LOOKUP.DBF [--count N] PREFIX...: runs, for each prefix, the search that
// typing it into the Select Person dialog runs, and prints the names the list then shows from
// the row it lands on.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "gedcom/GedcomStrings.h"
#include "gedcom/StoredText.h"
#include "gedcom/Windows1252.h"
#include "person/NameSearch.h"
#include "table/HTable.h"
#include "tools/Commands.h"
#include "tools/OpenLookupTable.h"

namespace {

const char* const kUsage = "usage: lineatum-tool names LOOKUP.DBF [--count N] PREFIX...";
constexpr int kDefaultCount = 10;

// A positive decimal count (a huge one is as good as the largest int), or 0 when `text` is
// not one.
int ParseCount(const std::string& text) {
    if (text.empty()) return 0;
    long long count = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        count = std::min<long long>(count * 10 + (c - '0'), INT_MAX);
    }
    return static_cast<int>(count);
}

// A field of the current record, blank-trimmed, as UTF-8.
std::string FieldText(HTable& table, std::string_view field) {
    return gedcom::Windows1252ToUtf8(gedcom::Trim(table.StringGet(field)));
}

// The search for one typed prefix (UTF-8) and the rows it shows, then "--".
void PrintSearch(HTable& table, const std::string& prefix, int count) {
    std::string out;
    namesearch::FindNearestName(table, gedcom::ToStoredText(prefix));
    for (int shown = 0; !table.Eof();) {
        out += FieldText(table, "POINTER");
        out += '\t';
        out += FieldText(table, "NAME");
        out += '\n';
        if (++shown == count) break;
        table.Skip(1);
    }
    out += "--\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    // Line by line, so that another program can feed prefixes and read the answers in turn.
    std::fflush(stdout);
}

}  // namespace

int RunNames(const ToolArgs& args) {
    if (args.empty()) return ToolError(kUsage);
    size_t first = 1;
    int count = kDefaultCount;
    if (args.size() > 1 && args[1] == "--count") {
        if (args.size() < 3 || (count = ParseCount(args[2])) == 0) {
            return ToolError("--count needs a positive number; " + std::string(kUsage));
        }
        first = 3;
    }
    if (first >= args.size()) return ToolError(kUsage);
    const std::vector<std::string> prefixes(args.begin() + static_cast<long>(first), args.end());

    try {
        HTable table;
        const std::string problem = OpenLookupTable(table, args[0]);
        if (!problem.empty()) return ToolError(problem);
        // The dialog's list: the named individuals only.
        table.SetRange(namesearch::kRangeLow, namesearch::kRangeHigh);

        if (prefixes.size() == 1 && prefixes[0] == "-") {
            std::string line;
            while (std::getline(std::cin, line)) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                PrintSearch(table, line, count);
            }
        } else {
            for (const std::string& prefix : prefixes) PrintSearch(table, prefix, count);
        }
    } catch (const std::exception& e) {
        return ToolError(OneLine(e.what()));
    }
    return 0;
}
