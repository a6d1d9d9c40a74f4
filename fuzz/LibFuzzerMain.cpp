// The entry point of one libFuzzer binary; LINEATUM_FUZZ_TARGET names its target.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/FuzzSupport.h"

namespace {

const fuzz::TFuzzTarget& Target() {
    static const fuzz::TFuzzTarget* target = [] {
        const fuzz::TFuzzTarget* found = fuzz::FindFuzzTarget(LINEATUM_FUZZ_TARGET);
        if (found == nullptr) {
            std::fprintf(stderr, "no fuzz target %s\n", LINEATUM_FUZZ_TARGET);
            std::abort();
        }
        return found;
    }();
    return *target;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::RunFuzzInput(Target(), data, size);
    return 0;
}
