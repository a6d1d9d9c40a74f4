// The GEDCOM commands of lineatum-tool: lines and charset.
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "gedcom/CharacterSet.h"
#include "gedcom/LineStream.h"
#include "tools/Commands.h"

namespace {

// A one-line error unless `args` holds exactly one path to an existing regular file.
int CheckSingleFile(const ToolArgs& args, const char* usage) {
    if (args.size() != 1) return ToolError(std::string("usage: lineatum-tool ") + usage);
    struct stat info;
    if (::stat(args[0].c_str(), &info) != 0) return ToolError("no such file: " + args[0]);
    if (!S_ISREG(info.st_mode)) return ToolError("not a file: " + args[0]);
    return 0;
}

}  // namespace

int RunLines(const ToolArgs& args) {
    if (int error = CheckSingleFile(args, "lines FILE")) return error;
    TLineStream reader(args[0]);
    while (!reader.EndOfFile()) {
        long long offset = reader.LinePosition();
        std::string_view line = reader.ReadLine();
        std::printf("%lld\t", offset);
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    }
    return std::ferror(stdout) ? ToolError("cannot write the output") : 0;
}

int RunCharset(const ToolArgs& args) {
    if (int error = CheckSingleFile(args, "charset FILE")) return error;
    gedcom::CharacterSet set = gedcom::DetectCharacterSet(args[0]);
    std::printf("%d %s\n", static_cast<int>(set), gedcom::CharacterSetName(set));
    return 0;
}
