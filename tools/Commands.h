// The commands of lineatum-tool. Each takes the arguments after the command word, prints its
// result to stdout, reports problems as one line on stderr and returns the exit code.
#pragma once

#include <string>
#include <vector>

using ToolArgs = std::vector<std::string>;

// lines FILE: every line the line stream returns, as "offset<TAB>bytes".
int RunLines(const ToolArgs& args);
// charset FILE: the detection code (0 to 4) and the character set's name.
int RunCharset(const ToolArgs& args);
// dbf FILE.DBF: the table header, its fields, then every record as
// "number flag|field|field|...|" with each field's stored text.
int RunDbf(const ToolArgs& args);

// Prints "lineatum-tool: <message>" to stderr and returns 1.
int ToolError(const std::string& message);
