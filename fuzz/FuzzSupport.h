// What the fuzz targets share: the process's scratch folder, files written from an input and
// removed again, the checks a target makes on what the code under test hands back, and the
// run of one input with its bookkeeping (no file or descriptor may outlive a run).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// A target: its name (also the name of its corpus and crash folders), the function that runs
// one input, the largest input worth trying, and set-up done once before the first input.
struct TFuzzTarget {
    const char* name;
    void (*run)(const uint8_t* data, size_t size);
    size_t maxLength;
    void (*prepare)();  // may be null
};

// Every target, in a fixed order.
const std::vector<TFuzzTarget>& FuzzTargets();
// The target named `name`, or null.
const TFuzzTarget* FindFuzzTarget(std::string_view name);

// Runs one input through `target`. Input longer than the target's maximum is cut there, as
// the fuzzer cuts its corpus. Afterwards the run folder must be empty and the process must
// hold as many descriptors as before; otherwise the run fails (see Fail). An engine error
// thrown out of the target (std::runtime_error) ends the input quietly; any other exception
// is a failure of the code under test and is left to end the process.
void RunFuzzInput(const TFuzzTarget& target, const uint8_t* data, size_t size);

// The scratch folder of this process: made on first use under $TMPDIR (or /tmp), removed with
// everything in it when the process ends normally. Its "run" folder holds the files of one
// input; its "fixed" folder what a target keeps for the life of the process.
const std::string& ScratchDir();
std::string RunFile(const std::string& name);
std::string FixedFile(const std::string& name);

// Writes `bytes` to `path`, replacing the file.
void WriteBytes(const std::string& path, std::string_view bytes);
inline void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    WriteBytes(path, std::string_view(reinterpret_cast<const char*>(data), size));
}
// The whole content of `path` (empty when it cannot be read).
std::string ReadBytes(const std::string& path);

// Removes the named files of the run folder when it goes out of scope, whatever happens in
// between: what a target writes itself is never left behind by an engine error.
class TRunFiles {
public:
    explicit TRunFiles(std::vector<std::string> names);
    ~TRunFiles();
    TRunFiles(const TRunFiles&) = delete;
    TRunFiles& operator=(const TRunFiles&) = delete;
    std::string Path(size_t index) const { return RunFile(names_[index]); }

private:
    std::vector<std::string> names_;
};

// Names of the files in `folder` (not "." and ".."), sorted.
std::vector<std::string> ListFolder(const std::string& folder);
// Open descriptors of this process.
int OpenDescriptorCount();

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool ValidUtf8(std::string_view text);

// Reports a broken promise of the code under test with the input's target and ends the
// process with abort(), which the fuzzer records as a crash and a test run as a failure.
[[noreturn]] void Fail(const char* file, int line, const std::string& what);

}  // namespace fuzz

#define FUZZ_CHECK(condition, what)                                 \
    do {                                                            \
        if (!(condition)) ::fuzz::Fail(__FILE__, __LINE__, (what)); \
    } while (false)
