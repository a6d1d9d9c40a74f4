// make_gedcom INDIVIDUALS OUT.ged [SEED]: writes a synthetic GEDCOM file for benchmarks.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "bench/SyntheticGedcom.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: make_gedcom INDIVIDUALS OUT.ged [SEED]\n");
        return 2;
    }
    SyntheticGedcomOptions options;
    options.individuals = std::atoll(argv[1]);
    if (argc == 4) options.seed = std::strtoull(argv[3], nullptr, 10);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    if (!out) {
        std::fprintf(stderr, "make_gedcom: cannot write %s\n", argv[2]);
        return 1;
    }
    SyntheticGedcomCounts counts = WriteSyntheticGedcom(out, options);
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_gedcom: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%lld individuals, %lld families, %lld notes, %lld records, %lld lines\n",
                static_cast<long long>(counts.individuals), static_cast<long long>(counts.families),
                static_cast<long long>(counts.notes), static_cast<long long>(counts.records),
                static_cast<long long>(counts.lines));
    std::printf("%lld surnames; the most common borne by %lld individuals\n",
                static_cast<long long>(counts.surnames),
                static_cast<long long>(counts.commonestSurnameIndividuals));
    return 0;
}
