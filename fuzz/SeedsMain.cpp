// fuzz_seeds: writes the seed corpus (Seeds.h) or lists the targets for scripts/fuzz.
//   fuzz_seeds FOLDER   seeds of every target into FOLDER/<target>/
//   fuzz_seeds --list   one line per target: its name and its largest input in bytes
#include <cstdio>
#include <exception>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "fuzz/Seeds.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds FOLDER | --list\n");
        return 2;
    }
    const std::string argument = argv[1];
    if (argument == "--list") {
        for (const fuzz::TFuzzTarget& target : fuzz::FuzzTargets()) {
            std::printf("%s %zu\n", target.name, target.maxLength);
        }
        return 0;
    }
    try {
        fuzz::WriteSeedCorpus(argument, LINEATUM_FUZZ_SOURCE_DIR, LINEATUM_SAMPLES_DIR);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fuzz_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
