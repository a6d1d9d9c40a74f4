// bench_odd_input: the lookup-table build on input shaped to cost time or memory out of
// proportion to its size: a million leading line breaks before a small family, a 64 MB file
// without a line break, and a 64 MB file of one-byte lines. Prints the build time, the time
// per megabyte and the peak resident memory of each (targets: every file in time linear in its
// size, about that of an ordinary file of the same size, and memory bounded: no file takes
// more than a few megabytes of its own).
//
//   bench_odd_input [--dir PATH]
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "bench/BenchMeasures.h"
#include "gedcom/GedcomState.h"
#include "gedcom/LookupTableBuilder.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"

namespace {

long PeakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Measure(const std::string& label, const std::string& gedcom, const std::string& dir) {
    HTable table;
    HCreateTable creator;
    TSilentBuildProgress progress;
    GedcomState().Decoding = gedcom::ChooseTextDecoding(gedcom);
    const auto start = std::chrono::steady_clock::now();
    const gedcom::TLookupBuildResult result =
        gedcom::BuildLookupTable(gedcom, dir + "/ODD.DBF", creator, table, progress);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::ifstream in(gedcom, std::ios::binary | std::ios::ate);
    const double megabytes = static_cast<double>(in.tellg()) / (1 << 20);
    std::printf("%-34s %7.1f MB  %6.3f s  %6.3f s/MB  %5lld rows  peak RSS %ld KB\n", label.c_str(),
                megabytes, seconds, seconds / megabytes, static_cast<long long>(result.rows),
                PeakResidentKb());
    std::remove(result.tablePath.c_str());
    std::remove(result.indexPath.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir = "/tmp";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--dir") dir = argv[i + 1];
    }
    std::printf("load before: %s\n", LoadAverage().c_str());
    const std::string path = dir + "/bench_odd_" + std::to_string(::getpid()) + ".ged";
    const std::string family = "0 HEAD\n0 @I1@ INDI\n1 NAME Ann /Lee/\n0 TRLR\n";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << std::string(1000000, '\n') << family;
    }
    Measure("a million leading line breaks", path, dir);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "0 @N1@ NOTE ";
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 64; ++i) out << block;
    }
    Measure("64 MB without a line break", path, dir);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        const std::string block(1 << 20, '\n');
        for (int i = 0; i < 64; ++i) out << block;
        out << family;
    }
    Measure("64 MB of empty lines", path, dir);
    std::remove(path.c_str());
    std::printf("load after: %s\n", LoadAverage().c_str());
    return 0;
}
