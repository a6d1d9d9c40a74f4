// Support for the tests of lineatum-tool: running the built tool, or any shell command, as a
// user would, and taking its output apart.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "testing/ReferenceLines.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

// What a command printed and how it ended.
struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

// `text` single-quoted for the shell, whatever its bytes.
inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// The built tool's path.
inline std::string Tool() { return std::string(LINEATUM_BIN_DIR) + "/lineatum-tool"; }

// Runs the shell command `command`, its output going to files in `dir`.
inline ToolRun Shell(const TempDir& dir, const std::string& command) {
    const std::string out = dir.File("run.out");
    const std::string err = dir.File("run.err");
    const int status = std::system((command + " >" + Quote(out) + " 2>" + Quote(err)).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes(out), ReadFileBytes(err)};
}

// Runs lineatum-tool with `arguments` (already quoted for the shell).
inline ToolRun RunTool(const TempDir& dir, const std::string& arguments) {
    return Shell(dir, Tool() + " " + arguments);
}

// The lines of `text` without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// Up to ten of `lines` from `first` on, one a line: where two outputs part, for a message.
inline std::string Excerpt(const std::vector<std::string>& lines, size_t first) {
    std::string text;
    for (size_t i = first; i < lines.size() && i < first + 10; ++i) text += lines[i] + "\n";
    return text;
}

// Builds the lookup table `name` of the GEDCOM file `gedcom` in `dir` with the tool, which must
// succeed; returns the table's path.
inline std::string BuildWithTool(const TempDir& dir, const std::string& gedcom,
                                 const std::string& name = "LOOKUP.DBF") {
    const std::string table = dir.File(name);
    const ToolRun run = RunTool(dir, "build " + Quote(gedcom) + " " + Quote(table));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return table;
}

// Copies of a lookup table that no search can use: one without its index, and one whose index
// holds only the POINTER tag.
struct TUnsearchableTables {
    std::string noIndex;
    std::string noNameTag;
};
inline TUnsearchableTables UnsearchableCopies(const TempDir& dir, const std::string& table) {
    TUnsearchableTables copies{dir.File("NOINDEX.DBF"), dir.File("NONAME.DBF")};
    std::filesystem::copy_file(table, copies.noIndex);
    std::filesystem::copy_file(table, copies.noNameTag);
    const ToolRun run = RunTool(dir, "index " + Quote(copies.noNameTag) + " " +
                                         Quote(dir.File("NONAME.CDX")) + " POINTER POINTER 7");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return copies;
}
