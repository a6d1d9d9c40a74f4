// bench_index_sort: sorts a million keys of 142 bytes through the index sorter (with the
// bounded trie and its run file) and prints the time taken.
//
//   bench_index_sort [--keys N] [--texts PATH]
//
// --texts also writes the key texts, one a line, so that `LC_ALL=C sort PATH` can be timed on
// the same data. The run file goes to the current directory.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "table/IndexSorter.h"

int main(int argc, char** argv) {
    long count = 1000000;
    std::string texts;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string arg = argv[i];
        if (arg == "--keys") count = std::atol(argv[i + 1]);
        if (arg == "--texts") texts = argv[i + 1];
    }
    std::mt19937 rng(1);
    std::vector<std::string> keys(count, std::string(142, ' '));
    for (std::string& key : keys)
        for (char& c : key) c = static_cast<char>('a' + rng() % 26);
    if (!texts.empty()) {
        std::ofstream out(texts);
        for (const std::string& key : keys) out << key << '\n';
    }

    const auto start = std::chrono::steady_clock::now();
    HIndexSorter sorter(HIndexSorter::Options{});
    for (long i = 0; i < count; ++i) {
        HStatus st = sorter.Add(keys[i], static_cast<uint32_t>(i + 1));
        if (!st.ok()) {
            std::fprintf(stderr, "error %d/%d %s\n", st.code, st.subCode, st.text.c_str());
            return 1;
        }
    }
    const auto added = std::chrono::steady_clock::now();
    long emitted = 0;
    HStatus st = sorter.Finish([&emitted](std::string_view, uint32_t) {
        ++emitted;
        return HStatus::Ok();
    });
    const auto done = std::chrono::steady_clock::now();
    if (!st.ok() || emitted != count) {
        std::fprintf(stderr, "error %d/%d %s (%ld keys)\n", st.code, st.subCode, st.text.c_str(),
                     emitted);
        return 1;
    }
    auto seconds = [](auto a, auto b) { return std::chrono::duration<double>(b - a).count(); };
    std::printf("%ld keys, %d runs: add %.3f s, merge %.3f s, total %.3f s\n", count,
                sorter.RunCount(), seconds(start, added), seconds(added, done),
                seconds(start, done));
    return 0;
}
