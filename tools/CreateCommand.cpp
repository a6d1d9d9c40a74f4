// lineatum-tool create TABLE.DBF FIELD...: a new, empty FoxPro 2 table with the given fields.
#include <cstdio>
#include <string>

#include "table/EZadarirError.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"
#include "tools/Commands.h"

namespace {

const char* const kUsage = "usage: lineatum-tool create [--overwrite] TABLE.DBF FIELD...";

// Engine messages may hold a carriage return before the file name; the tool prints one line.
std::string OneLine(std::string message) {
    for (char& c : message) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return message;
}

}  // namespace

int RunCreate(const ToolArgs& args) {
    bool overwrite = false;
    ToolArgs rest;
    for (const std::string& arg : args) {
        if (arg == "--overwrite")
            overwrite = true;
        else
            rest.push_back(arg);
    }
    if (rest.size() < 2) return ToolError(kUsage);
    const std::string& file = rest[0];

    HTable table;
    std::string error;
    table.OnZadarirError = [&error](int code, int subCode, const std::string& text) {
        if (error.empty()) error = ZadarirMessage(code, subCode, text);
    };
    const size_t slash = file.find_last_of('/');
    table.SetDBFPath(slash == std::string::npos ? std::string() : file.substr(0, slash + 1));
    table.SetDBFName(slash == std::string::npos ? file : file.substr(slash + 1));

    HCreateTable creator;
    creator.SetDBFTable(&table);
    creator.SetDBFType(HDBFTypes::FoxPro2);
    creator.SetAutoOverwrite(overwrite);
    creator.SetCreateFields(ToolArgs(rest.begin() + 1, rest.end()));
    // Without a user to ask, an existing file is kept (the host's safe answer).
    if (!creator.Execute()) {
        if (!error.empty()) return ToolError(OneLine(error));
        return ToolError(table.FullName() + " exists; give --overwrite to replace it");
    }
    std::printf("created %s\n", table.FullName().c_str());
    return 0;
}
