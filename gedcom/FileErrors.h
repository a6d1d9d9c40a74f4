// Engine errors in words for the viewer's and the tool's messages: what went wrong and with
// which file, the path as the caller wrote it. The engine names files upper-cased (its own
// messages keep doing so for its callers); a caller passes the paths it knows so that the
// message names the file as it is written.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gedcom {

// A file the caller knows: the path as written, and the path to show for it (a build's
// temporary file is shown as the target it becomes).
struct TKnownPath {
    std::string path;
    std::string shown;
};

// The engine error (code, sub-code, text) in words, such as
// "/home/ann/Index/QB1.DBF is in use by another program", "... is a folder",
// "... cannot be written: no permission", "... cannot be written: the disk is full",
// "... is not a table", "... is damaged (Zadarir Error 2112)". The file is the known path
// whose upper-cased form is the engine's text; otherwise the text as it is. Looks at the file
// (is it a folder, may it be written) to tell the engine's "access is denied" apart.
std::string DescribeEngineError(int code, int subCode, std::string_view text,
                                const std::vector<TKnownPath>& known);

}  // namespace gedcom
