#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "table/HFileObject.h"

namespace fuzz {
namespace {

// The folder made on first use and removed when the process ends normally (a crash leaves
// it; scripts/fuzz runs each target with a TMPDIR of its own and removes that).
class TScratch {
public:
    TScratch() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/lineatum-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("lineatum fuzz: cannot make a scratch folder");
            std::abort();
        }
        path_ = pattern;
        ::mkdir((path_ + "/run").c_str(), 0700);
        ::mkdir((path_ + "/fixed").c_str(), 0700);
    }
    ~TScratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

TScratch& Scratch() {
    static TScratch scratch;
    return scratch;
}

}  // namespace

const TFuzzTarget* FindFuzzTarget(std::string_view name) {
    for (const TFuzzTarget& target : FuzzTargets()) {
        if (name == target.name) return &target;
    }
    return nullptr;
}

const std::string& ScratchDir() { return Scratch().Path(); }
std::string RunFile(const std::string& name) { return ScratchDir() + "/run/" + name; }
std::string FixedFile(const std::string& name) { return ScratchDir() + "/fixed/" + name; }

void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TRunFiles::TRunFiles(std::vector<std::string> names) : names_(std::move(names)) {}

TRunFiles::~TRunFiles() {
    for (const std::string& name : names_) ::unlink(RunFile(name).c_str());
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

int OpenDescriptorCount() { return static_cast<int>(ListFolder("/proc/self/fd").size()); }

bool ValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t length = 0;
        uint32_t value = 0;
        uint32_t least = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, value = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, value = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, value = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            value = (value << 6) | (next & 0x3F);
        }
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

void Fail(const char* file, int line, const std::string& what) {
    std::fprintf(stderr, "lineatum fuzz: %s:%d: %s\n", file, line, what.c_str());
    std::fflush(stderr);
    std::abort();
}

void RunFuzzInput(const TFuzzTarget& target, const uint8_t* data, size_t size) {
    static std::set<const TFuzzTarget*> prepared;
    if (prepared.insert(&target).second) {
        // A file operation that fails is retried for two seconds by default, which would make
        // every failing input look like a hang.
        HFileObject::SetRetryTime(20);
        if (target.prepare) target.prepare();
    }
    size = std::min(size, target.maxLength);
    const int descriptors = OpenDescriptorCount();
    try {
        target.run(data, size);
    } catch (const std::runtime_error&) {
        // An engine error or an unreadable file: the expected end of a bad input.
    }
    const std::string runDir = ScratchDir() + "/run";
    const std::vector<std::string> left = ListFolder(runDir);
    if (!left.empty()) {
        std::string names;
        for (const std::string& name : left) {
            names += " " + name;
            std::error_code ignored;
            std::filesystem::remove_all(runDir + "/" + name, ignored);
        }
        Fail(__FILE__, __LINE__, std::string(target.name) + ": files left behind:" + names);
    }
    const int after = OpenDescriptorCount();
    if (after != descriptors) {
        Fail(__FILE__, __LINE__,
             std::string(target.name) + ": " + std::to_string(descriptors) +
                 " descriptors open before the input, " + std::to_string(after) + " after");
    }
}

}  // namespace fuzz
