// lineatum-tool index / order / seek: compound index tags of a table file.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "table/EZadarirError.h"
#include "table/HDBFTable.h"
#include "tools/Commands.h"

namespace {

// A table opened for one command, with its first engine error kept as one line.
class ToolTable {
public:
    ToolTable() {
        table.OnZadarirError = [this](int code, int subCode, const std::string& text) {
            if (!error.empty()) return;
            error = ZadarirMessage(code, subCode, text);
            for (char& c : error) {
                if (c == '\r' || c == '\n') c = ' ';
            }
            while (!error.empty() && error.back() == ' ') error.pop_back();
        };
    }
    bool Open(const std::string& path, bool write) {
        return table.Open(
            path, {write ? HFileAccess::ReadWrite : HFileAccess::Read, HFileShare::DenyNone});
    }
    // Attaches `index` and selects `tag`.
    bool Order(const std::string& index, const std::string& tag) {
        return table.OpenIndex(index) && table.SetOrder(tag);
    }
    int Fail(const std::string& fallback) { return ToolError(error.empty() ? fallback : error); }

    HDBFTable table;
    std::string error;
};

}  // namespace

int RunIndex(const ToolArgs& args) {
    const char* usage = "usage: lineatum-tool index TABLE.DBF INDEX.CDX TAG EXPRESSION SORTCODE";
    if (args.size() != 5) return ToolError(usage);
    char* end = nullptr;
    const long code = std::strtol(args[4].c_str(), &end, 10);
    if (args[4].empty() || *end != '\0' || code < 0 || code > 8) return ToolError(usage);
    ToolTable t;
    if (!t.Open(args[0], true)) return t.Fail("cannot open " + args[0]);
    if (!t.table.AddTag(args[1], args[2], args[3], "", static_cast<int>(code), 1))
        return t.Fail("cannot build tag " + args[2]);
    return 0;
}

int RunOrder(const ToolArgs& args) {
    if (args.size() != 3) return ToolError("usage: lineatum-tool order TABLE.DBF INDEX.CDX TAG");
    ToolTable t;
    if (!t.Open(args[0], false)) return t.Fail("cannot open " + args[0]);
    if (!t.Order(args[1], args[2])) return t.Fail("no tag " + args[2]);
    std::string out;
    for (bool ok = t.table.Go(hmove::kTop); ok && !t.table.Eof(); t.table.Skip(1)) {
        out += std::to_string(t.table.RecNo());
        out += '\n';
    }
    if (!t.error.empty()) return t.Fail("");
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

int RunSeek(const ToolArgs& args) {
    const bool near = args.size() == 5 && args[4] == "--near";
    if (args.size() != 4 && !near)
        return ToolError("usage: lineatum-tool seek TABLE.DBF INDEX.CDX TAG KEY [--near]");
    ToolTable t;
    if (!t.Open(args[0], false)) return t.Fail("cannot open " + args[0]);
    if (!t.Order(args[1], args[2])) return t.Fail("no tag " + args[2]);
    t.table.SetFindNear(near);
    const bool found = t.table.Find(args[3]);
    if (!t.error.empty()) return t.Fail("");
    if (found || (near && !t.table.Eof() && t.table.RecNo() > 0))
        std::printf("%d\n", t.table.RecNo());
    else
        std::printf("not found\n");
    return 0;
}
