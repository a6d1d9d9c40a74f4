// bench_lookup_build: builds the lookup table of a synthetic GEDCOM file with the viewer's own
// builder and prints, in the same run, the time `mawk 'END{print NR}'` takes to read the
// file's lines once, the scan-and-append time, the two tag builds, the total and the ratio of
// the total to that plain read (target: under 10).
//
//   bench_lookup_build [--individuals N] [--dir PATH] [--seed S]
//
// The GEDCOM file, the table and its index go to --dir (default /tmp) and are removed at the
// end.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "bench/BenchMeasures.h"
#include "bench/SyntheticGedcom.h"
#include "gedcom/GedcomState.h"
#include "gedcom/LookupTableBuilder.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Runs mawk over `path`; returns its wall time in seconds and the line count it printed.
double TimeMawk(const std::string& path, long long* lines) {
    const std::string command = "mawk 'END{print NR}' '" + path + "'";
    const auto start = std::chrono::steady_clock::now();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    *lines = -1;
    if (std::fscanf(pipe, "%lld", lines) != 1) *lines = -1;
    const int status = ::pclose(pipe);
    const double seconds = Seconds(start);
    return status == 0 ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
    SyntheticGedcomOptions options;
    options.individuals = 1000000;
    std::string dir = "/tmp";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--individuals") options.individuals = std::atoll(argv[i + 1]);
        if (arg == "--dir") dir = argv[i + 1];
        if (arg == "--seed") options.seed = std::strtoull(argv[i + 1], nullptr, 10);
    }
    const std::string base = dir + "/bench_lookup_" + std::to_string(::getpid());
    const std::string gedcom = base + ".ged";
    SyntheticGedcomCounts counts;
    {
        std::ofstream out(gedcom, std::ios::binary | std::ios::trunc);
        counts = WriteSyntheticGedcom(out, options);
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", gedcom.c_str());
            return 1;
        }
    }
    std::printf("file: %lld individuals, %lld records, %lld lines\n",
                static_cast<long long>(counts.individuals), static_cast<long long>(counts.records),
                static_cast<long long>(counts.lines));
    std::printf("load before: %s\n", LoadAverage().c_str());

    // Both readers find the file in the page cache: read it once beforehand.
    long long lines = 0;
    TimeMawk(gedcom, &lines);
    const double plain = TimeMawk(gedcom, &lines);

    int status = 0;
    try {
        HTable table;
        table.SetExclusive(true);
        HCreateTable creator;
        TSilentBuildProgress progress;
        GedcomState().Decoding = gedcom::TextDecoding::Utf8;
        const auto start = std::chrono::steady_clock::now();
        const gedcom::TLookupBuildResult result =
            gedcom::BuildLookupTable(gedcom, base + ".DBF", creator, table, progress);
        const double total = Seconds(start);
        if (result.failed || result.rows != counts.records) {
            std::fprintf(stderr, "build gave %lld rows, expected %lld\n",
                         static_cast<long long>(result.rows),
                         static_cast<long long>(counts.records));
            status = 1;
        }
        std::printf("mawk 'END{print NR}' (%lld lines):  %.3f s\n", lines, plain);
        std::printf("scan and append (%lld rows):        %.3f s\n",
                    static_cast<long long>(result.rows), result.scanSeconds);
        std::printf("tag NAME:                           %.3f s\n", result.nameTagSeconds);
        std::printf("tag POINTER:                        %.3f s\n", result.pointerTagSeconds);
        std::printf("total build:                        %.3f s\n", total);
        std::printf("ratio total / plain read:           %.1f (target: under 10)\n",
                    plain > 0 ? total / plain : 0.0);
        std::printf("load after: %s\n", LoadAverage().c_str());
        std::remove(result.tablePath.c_str());
        std::remove(result.indexPath.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 1;
    }
    std::remove(gedcom.c_str());
    return status;
}
