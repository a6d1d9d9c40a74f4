#include "gedcom/FileErrors.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "gedcom/FilePaths.h"
#include "table/CharServices.h"
#include "table/HStatus.h"

namespace gedcom {

namespace {

// Codes of the engine's system-error mapping that have no name of their own in HStatus.h.
constexpr int kPathNotFound = 3;
constexpr int kDiskFull = 112;
constexpr int kFileTooLarge = 223;
constexpr int kIndexDamaged = 2112;

bool IsWriting(int subCode) {
    return subCode == zsub::kWrite || subCode == zsub::kCreate || subCode == zsub::kTruncate ||
           subCode == zsub::kFlush || subCode == zsub::kPack;
}

std::string CodeText(int code, int subCode) {
    std::string text = "Zadarir Error " + std::to_string(code);
    if (subCode != zsub::kNone) text += ", SubCode " + std::to_string(subCode);
    return text;
}

}  // namespace

std::string DescribeEngineError(int code, int subCode, std::string_view text,
                                const std::vector<TKnownPath>& known) {
    std::string file(text);
    const std::string upper = AnsiUpper(text);
    for (const TKnownPath& path : known) {
        if (path.path.empty()) continue;
        // The engine names a file by its full path; the caller may know it relative.
        std::error_code error;
        const std::string absolute = std::filesystem::absolute(path.path, error).string();
        if (AnsiUpper(path.path) == upper || (!error && AnsiUpper(absolute) == upper)) {
            file = path.shown.empty() ? path.path : path.shown;
            // The file the engine means is the one written, not the one shown.
            text = path.path;
            break;
        }
    }
    if (file.empty()) file = "A file";
    const std::string path(text);
    struct stat info;
    const bool exists = ::stat(path.c_str(), &info) == 0;
    switch (code) {
        case zcode::kAccessDenied:
        case zcode::kSharingViolation:
            if (exists && S_ISDIR(info.st_mode)) return file + " is a folder";
            if (exists && ::access(path.c_str(), IsWriting(subCode) ? W_OK : R_OK) != 0) {
                return file + (IsWriting(subCode) ? " cannot be written" : " cannot be read") +
                       ": no permission";
            }
            if (!exists && IsWriting(subCode)) {
                return file + " cannot be written: no permission in its folder";
            }
            return file + " is in use by another program";
        case zcode::kLockViolation:
            return file + " is in use by another program";
        case zcode::kFileNotFound:
            return file + " does not exist";
        case kPathNotFound:
            return file + " cannot be written: its folder does not exist";
        case kDiskFull:
            return file + " cannot be written: the disk is full";
        case kFileTooLarge:
            return file + " cannot be written: the file would be too large";
        case zcode::kBadVersion:
            return file + " is not a table";
        case zcode::kTableDamaged:
        case zcode::kShortRead:
        case kIndexDamaged:
            return file + " is damaged (" + CodeText(code, subCode) + ")";
        default:
            return file + (IsWriting(subCode) ? " cannot be written" : " cannot be read") + " (" +
                   CodeText(code, subCode) + ")";
    }
}

}  // namespace gedcom
