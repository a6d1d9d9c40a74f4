#include "gedcom/FilePaths.h"

#include <sys/stat.h>
#include <unistd.h>

namespace gedcom {

std::string NamePart(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string DirectoryPart(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
    const size_t slash = path.find_last_of('/');
    const size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    std::string result(dot == std::string_view::npos || dot < nameStart ? path
                                                                        : path.substr(0, dot));
    result += extension;
    return result;
}

bool RegularFileExists(const std::string& path) {
    struct stat info;
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool RemoveRegularFile(const std::string& path) {
    return RegularFileExists(path) && ::unlink(path.c_str()) == 0;
}

std::string AsciiUpper(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

}  // namespace gedcom
