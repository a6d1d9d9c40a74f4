// Splitting and naming the paths of GEDCOM files, lookup tables and their index files.
// Paths are file-system bytes with "/" as the separator.
#pragma once

#include <string>
#include <string_view>

namespace gedcom {

// The file name without its directory: the text after the last "/" (the whole path when
// there is none).
std::string NamePart(std::string_view path);

// The directory with its trailing "/": the text up to and including the last "/"; empty when
// the path has none.
std::string DirectoryPart(std::string_view path);

// `path` with the extension of its file name replaced by `extension` (which starts with
// "."); a name without an extension gets one. A "." in a directory name is not an extension.
// "/a.b/QB1.DBF" with ".CDX" gives "/a.b/QB1.CDX"; "/a/tree" gives "/a/tree.CDX".
std::string ReplaceExtension(std::string_view path, std::string_view extension);

// True when `path` names an existing regular file (or a link to one). A directory is not a
// file.
bool RegularFileExists(const std::string& path);

// Removes the regular file at `path`. Returns false when there was none or it could not be
// removed; never removes a directory.
bool RemoveRegularFile(const std::string& path);

// `text` with the letters a to z upper-cased; every other byte is kept.
std::string AsciiUpper(std::string_view text);

}  // namespace gedcom
