// bench_person_load: the time to load a central person with all relatives (LoadByPointer of a
// pkMain person, as the main window does on every navigation) on a synthetic GEDCOM file of a
// million individuals. Prints the median and 99th percentile over random persons, and per load
// the lookup-table finds, the record reads (each opens the GEDCOM file anew) and the read
// system calls of the whole process (from /proc/self/io, so index page reads count too).
//
//   bench_person_load [--individuals N] [--loads N] [--seed S] [--dir PATH]
//                     [--file FILE.ged] [--table LOOKUP.DBF] [--keep 1]
//
// Without --file a GEDCOM file is generated in --dir (default /tmp); without --table its lookup
// table is built there with the viewer's builder. Pointers are drawn from I1 to I<individuals>,
// so give --individuals with a --file of another size. Generated files are removed at the end
// unless --keep 1 is given (to rerun with --file and --table, for instance under strace); files
// given are always kept.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "bench/BenchLookupTable.h"
#include "bench/BenchMeasures.h"
#include "bench/SyntheticGedcom.h"
#include "gedcom/TextDecoding.h"
#include "gedcom/FilePaths.h"
#include "gedcom/GedcomState.h"
#include "person/GedcomPerson.h"
#include "person/TableLookup.h"
#include "table/HTable.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Passes every call to the real lookup table and counts the finds and the record reads. The
// model reads a record right after reading the found record's OFFSET, and opens the GEDCOM
// file for each such read, so OFFSET reads count both record reads and GEDCOM file opens.
class CountingLookup : public TLookupTable {
public:
    explicit CountingLookup(TLookupTable& inner) : inner_(inner) {}

    int32_t RecNo() const override { return inner_.RecNo(); }
    void GoTo(int32_t recNo) override { inner_.GoTo(recNo); }
    bool SelectTag(std::string_view tag) override { return inner_.SelectTag(tag); }
    bool FindKey(std::string_view key) override {
        ++finds;
        const bool found = inner_.FindKey(key);
        if (found) ++found_;
        return found;
    }
    std::string FieldText(std::string_view field) const override { return inner_.FieldText(field); }
    int64_t FieldInteger(std::string_view field) const override {
        if (field == "OFFSET") ++recordReads;
        return inner_.FieldInteger(field);
    }
    bool Next() override { return inner_.Next(); }

    int64_t Found() const { return found_; }

    int64_t finds = 0;
    mutable int64_t recordReads = 0;

private:
    TLookupTable& inner_;
    int64_t found_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    SyntheticGedcomOptions options;
    options.individuals = 1000000;
    int64_t loads = 10000;
    std::string dir = "/tmp";
    std::string gedcom;
    std::string lookup;
    bool keep = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--individuals") options.individuals = std::atoll(argv[i + 1]);
        if (arg == "--loads") loads = std::atoll(argv[i + 1]);
        if (arg == "--seed") options.seed = std::strtoull(argv[i + 1], nullptr, 10);
        if (arg == "--dir") dir = argv[i + 1];
        if (arg == "--file") gedcom = argv[i + 1];
        if (arg == "--table") lookup = argv[i + 1];
        if (arg == "--keep") keep = std::string_view(argv[i + 1]) == "1";
    }
    if (loads < 1 || options.individuals < 1) {
        std::fprintf(stderr, "--loads and --individuals must be at least 1\n");
        return 2;
    }
    const std::string base = dir + "/bench_person_" + std::to_string(::getpid());
    const bool ownGedcom = gedcom.empty();
    int64_t individuals = options.individuals;
    int status = 0;
    try {
        if (ownGedcom) {
            gedcom = base + ".ged";
            individuals = WriteSyntheticGedcomFile(gedcom, options).individuals;
        }
        TGedcomState& state = GedcomState();
        state.Decoding = gedcom::ChooseTextDecoding(gedcom);
        state.CurrentGedcomPath = gedcom;
        TBenchLookupTable files = lookup.empty() ? TBenchLookupTable::Build(gedcom, base + ".DBF")
                                                 : TBenchLookupTable::Given(lookup);
        if (keep) files.Keep();
        const std::string& tablePath = files.TablePath();
        const std::string& indexPath = files.IndexPath();

        HTable table;
        table.SetReadOnly(true);
        table.SetDBFPath(gedcom::DirectoryPart(tablePath));
        table.SetDBFName(gedcom::NamePart(tablePath));
        table.SetActive(true);
        if (!table.IndexOpen("\"" + indexPath + "\"", "NAME")) {
            throw std::runtime_error("cannot open " + indexPath);
        }
        table.First();
        TTableLookup real(table);
        CountingLookup counting(real);
        TGedcomPerson person(TPersonKind::pkMain, counting);

        // The generator numbers individuals I1..In; draw uniformly among them.
        std::mt19937_64 random(options.seed);
        std::uniform_int_distribution<int64_t> pick(1, individuals);
        std::vector<std::string> pointers;
        pointers.reserve(static_cast<size_t>(loads));
        for (int64_t i = 0; i < loads; ++i) {
            std::string pointer(1, 'I');
            pointer += std::to_string(pick(random));
            pointers.push_back(std::move(pointer));
        }

        // One pass over a few persons first, so both files are in the page cache as they are
        // after the viewer has been used for a while.
        for (size_t i = 0; i < pointers.size() && i < 100; ++i) person.LoadByPointer(pointers[i]);
        counting.finds = 0;
        counting.recordReads = 0;
        const int64_t foundBefore = counting.Found();

        std::printf("load before: %s\n", LoadAverage().c_str());
        std::vector<double> millis;
        millis.reserve(pointers.size());
        int64_t unknown = 0;
        int64_t relatives = 0;
        const int64_t syscallsBefore = ReadSyscalls();
        const auto all = std::chrono::steady_clock::now();
        for (const std::string& pointer : pointers) {
            const auto start = std::chrono::steady_clock::now();
            person.LoadByPointer(pointer);
            millis.push_back(Seconds(start) * 1000.0);
            if (!person.Known()) ++unknown;
            relatives += static_cast<int64_t>(person.SiblingCount() + person.SpouseCount());
            for (size_t s = 0; s < person.SpouseCount(); ++s) {
                relatives += static_cast<int64_t>(person.Spouse(s).ChildCount());
            }
        }
        const double total = Seconds(all);
        const int64_t syscalls = ReadSyscalls() - syscallsBefore;
        std::sort(millis.begin(), millis.end());
        const double n = static_cast<double>(pointers.size());
        std::printf("loads: %lld random persons of %lld (%lld unknown), %.2f s in all\n",
                    static_cast<long long>(pointers.size()), static_cast<long long>(individuals),
                    static_cast<long long>(unknown), total);
        std::printf("median: %.3f ms  p99: %.3f ms  max: %.3f ms  (target: median under 2 ms)\n",
                    Percentile(millis, 0.5), Percentile(millis, 0.99), millis.back());
        std::printf(
            "per load: %.1f finds (%.1f found), %.1f record reads = GEDCOM opens, "
            "%.1f read syscalls; %.1f siblings, spouses and children\n",
            static_cast<double>(counting.finds) / n,
            static_cast<double>(counting.Found() - foundBefore) / n,
            static_cast<double>(counting.recordReads) / n, static_cast<double>(syscalls) / n,
            static_cast<double>(relatives) / n);
        std::printf("load after: %s\n", LoadAverage().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 1;
    }
    if (ownGedcom && !keep) std::remove(gedcom.c_str());
    return status;
}
