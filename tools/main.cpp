// lineatum-tool: runs one command on GEDCOM files and tables without a window.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "tools/Commands.h"

namespace {

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const ToolArgs&);
};

constexpr Command kCommands[] = {
    {"lines", "lines FILE", RunLines},
    {"charset", "charset FILE", RunCharset},
    {"dbf", "dbf FILE.DBF", RunDbf},
    {"create", "create [--overwrite] TABLE.DBF FIELD...", RunCreate},
    {"index", "index TABLE.DBF INDEX.CDX TAG EXPRESSION SORTCODE", RunIndex},
    {"order", "order TABLE.DBF INDEX.CDX TAG", RunOrder},
    {"seek", "seek TABLE.DBF INDEX.CDX TAG KEY [--near]", RunSeek},
    {"build", "build FILE.ged LOOKUP.DBF", RunBuild},
    {"person", "person FILE.ged LOOKUP.DBF POINTER", RunPerson},
    {"names", "names LOOKUP.DBF [--count N] PREFIX...", RunNames},
    {"surnames", "surnames LOOKUP.DBF LETTER", RunSurnames},
    {"surname", "surname LOOKUP.DBF SURNAME", RunSurname},
};

// One line naming every command with its arguments.
std::string Usage() {
    std::string usage = "usage: lineatum-tool COMMAND ARGS... where COMMAND ARGS... is one of:";
    for (const Command& command : kCommands) usage += std::string(" [") + command.usage + "]";
    return usage;
}

}  // namespace

int ToolError(const std::string& message) {
    std::fprintf(stderr, "lineatum-tool: %s\n", message.c_str());
    return 1;
}

int main(int argc, char** argv) {
    if (argc < 2) return ToolError(Usage());
    const std::string first = argv[1];
    if (first == "--help" || first == "-h") {
        std::printf("Usage: lineatum-tool COMMAND ARGS...\n"
                    "Reads GEDCOM files and the viewer's lookup tables without a window.\n\n"
                    "Commands:\n");
        for (const Command& command : kCommands) std::printf("  lineatum-tool %s\n", command.usage);
        std::printf("\nExit status: 0 done, 1 an error (said on stderr), 3 the GEDCOM file has "
                    "changed since its lookup table was built.\n");
        return 0;
    }
    if (first == "--version") {
        std::printf("lineatum-tool %s\n", LINEATUM_VERSION);
        return 0;
    }
    for (const Command& command : kCommands) {
        if (std::strcmp(argv[1], command.name) != 0) continue;
        try {
            return command.run(ToolArgs(argv + 2, argv + argc));
        } catch (const std::exception& e) {
            return ToolError(e.what());
        }
    }
    return ToolError(std::string("unknown command \"") + argv[1] + "\"; " + Usage());
}
