// lineatum-tool dbf FILE.DBF: the header, the fields and every record of a table file.
#include <cstdio>
#include <string>

#include "table/EZadarirError.h"
#include "table/HDBFTable.h"
#include "gedcom/Windows1252.h"
#include "tools/Commands.h"

int RunDbf(const ToolArgs& args) {
    if (args.size() != 1) return ToolError("usage: lineatum-tool dbf FILE.DBF");
    HDBFTable table;
    std::string error;
    table.OnZadarirError = [&error](int code, int subCode, const std::string& text) {
        if (error.empty()) error = ZadarirMessage(code, subCode, text);
    };
    // Read-only and shared: looking at a table never changes it.
    // Engine messages may hold CR LF; the tool prints one line.
    auto oneLine = [](std::string text) {
        for (char& c : text) {
            if (c == '\r' || c == '\n') c = ' ';
        }
        return text;
    };
    if (!table.Open(args[0], {HFileAccess::Read, HFileShare::DenyNone})) {
        return ToolError(oneLine(error));
    }
    const auto& header = table.Header();
    std::printf("version: 0x%02X\n", table.VersionByte());
    std::printf("records: %d\n", table.RecordCount());
    std::printf("header length: %d\n", table.HeaderLength());
    std::printf("record length: %d\n", table.RecordLength());
    std::printf("last update: %02d-%02d-%02d (YY-MM-DD)\n", header[1], header[2], header[3]);
    for (int f = 1; f <= table.FieldCount(); ++f) {
        const HFieldDescriptor& field = table.Field(f);
        std::printf("field %d: %s %c %d %d\n", f, field.name.c_str(), field.type, field.width,
                    field.decimals);
    }
    for (int n = 1; n <= table.RecordCount(); ++n) {
        if (!table.ReadRecord(n)) {
            return ToolError(error.empty() ? "record " + std::to_string(n) + " unreadable"
                                           : oneLine(error));
        }
        std::string line = std::to_string(n) + " " + table.RecordBuffer()[0] + "|";
        for (int f = 1; f <= table.FieldCount(); ++f) {
            // Stored text is Windows-1252; the terminal reads UTF-8.
            line += table.BinaryField(table.Field(f))
                        ? table.DisplayText(f)
                        : gedcom::Windows1252ToUtf8(table.FieldGet(f));
            line += '|';
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return 0;
}
