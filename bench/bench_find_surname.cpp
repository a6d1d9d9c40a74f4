// bench_find_surname: the Find Surname dialog's lookups on a synthetic GEDCOM file of a million
// individuals. Times ListSurnames for the letter with the most individuals (what a letter
// button fills the surname list with) and ListPersonsOfSurname for the most common surname
// (what picking a surname fills the person list with), each repeated; prints the median and
// 99th percentile, the records read and index keys visited per call, the list sizes, the
// resident memory before and after the lookups and the machine's load; then times opening the
// dialog on a person of that surname.
//
//   bench_find_surname [--individuals N] [--repeats N] [--seed S] [--dir PATH]
//                      [--file FILE.ged] [--table LOOKUP.DBF] [--keep 1]
//
// Without --file a GEDCOM file is generated in --dir (default /tmp); without --table its lookup
// table is built there with the viewer's builder. Generated files are removed at the end
// unless --keep 1 is given (to rerun with --file and --table); files given are always kept.
//
// The letter and the surname are found by one scan of the table's records before the timing,
// counting each named individual by SurnameOf of its NAME under InitialOf of its spelling, so
// any file works and the list sizes can be checked against the counts; for a generated file the
// scan's figures are also checked against what the generator wrote.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include <QApplication>
#include <QPlainTextEdit>

#include "bench/BenchLookupTable.h"
#include "bench/BenchMeasures.h"
#include "bench/SyntheticGedcom.h"
#include "gedcom/TextDecoding.h"
#include "gedcom/FilePaths.h"
#include "gedcom/GedcomState.h"
#include "person/SurnameIndex.h"
#include "person/SurnamesForm.h"
#include "person/TableLookup.h"
#include "table/HTable.h"

namespace {

constexpr double kTargetMillis = 50;

struct Options {
    SyntheticGedcomOptions synthetic;
    int64_t repeats = 20;
    std::string dir = "/tmp";
    std::string gedcom;  // given with --file, else generated
    std::string lookup;  // given with --table, else built
    bool keep = false;
};

// What the scan found: the letter with the most individuals and the most common surname.
struct Targets {
    int64_t named = 0;     // individuals with a surname
    int64_t surnames = 0;  // distinct surnames in the table
    char letter = 'A';
    int64_t letterPersons = 0;
    int64_t letterSurnames = 0;  // distinct surnames listed under the letter
    std::string surname;
    int64_t surnamePersons = 0;
};

// The timings of one lookup repeated, with the engine work it did per call.
struct Series {
    std::vector<double> millis;
    int64_t recordsRead = 0;
    int64_t keysVisited = 0;
    size_t listSize = 0;
};

double Millis(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

// A letter button as a bit of a mask: 'A' to 'Z' are bits 0 to 25, '#' bit 26.
uint32_t LetterBit(char letter) {
    return letter == surnames::kOtherInitials ? 1u << 26 : 1u << (letter - 'A');
}

// Reads every record once in record order; leaves the table in the NAME order at its top.
// A record counts under the button of its stored spelling, and its surname is listed under
// every button one of its spellings is under.
Targets FindTargets(HTable& table) {
    struct Surname {
        int64_t persons = 0;
        uint32_t letters = 0;
    };
    std::unordered_map<std::string, Surname> found;
    std::map<char, int64_t> letterPersons;
    std::string type;
    std::string name;
    table.SetTagTo("");
    Targets targets;
    for (table.First(); !table.Eof(); table.Skip(1)) {
        table.StringGet("RTYPE", type);
        if (type.empty() || type[0] != 'I') continue;
        table.StringGet("NAME", name);
        std::string surname = surnames::SurnameOf(name);
        if (surname.empty()) continue;
        const char letter = surnames::InitialOf(std::string_view(name).substr(0, name.find(',')));
        Surname& entry = found[std::move(surname)];
        ++entry.persons;
        entry.letters |= LetterBit(letter);
        ++letterPersons[letter];
        ++targets.named;
    }
    table.SetTagTo("NAME");
    table.First();

    for (const auto& [letter, persons] : letterPersons) {
        if (persons > targets.letterPersons) {
            targets.letter = letter;
            targets.letterPersons = persons;
        }
    }
    const uint32_t bit = LetterBit(targets.letter);
    for (const auto& [surname, entry] : found) {
        if (entry.letters & bit) ++targets.letterSurnames;
        if (entry.persons > targets.surnamePersons ||
            (entry.persons == targets.surnamePersons && surname < targets.surname)) {
            targets.surname = surname;
            targets.surnamePersons = entry.persons;
        }
    }
    targets.surnames = static_cast<int64_t>(found.size());
    return targets;
}

// Calls `lookup` `repeats` times; it returns the size of the list it made.
Series TimeLookup(surnames::TSurnameIndex& index, int64_t repeats,
                  const std::function<size_t()>& lookup) {
    Series series;
    const int64_t recordsBefore = index.RecordsRead();
    const int64_t keysBefore = index.KeysVisited();
    for (int64_t i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        series.listSize = lookup();
        series.millis.push_back(Millis(start));
    }
    series.recordsRead = index.RecordsRead() - recordsBefore;
    series.keysVisited = index.KeysVisited() - keysBefore;
    std::sort(series.millis.begin(), series.millis.end());
    return series;
}

void PrintSeries(const char* what, const Series& series, size_t expected, const char* unit) {
    const double calls = static_cast<double>(series.millis.size());
    const double median = Percentile(series.millis, 0.5);
    std::printf("%s\n", what);
    std::printf("  median %.3f ms  p99 %.3f ms  max %.3f ms  (target: median under %.0f ms%s)\n",
                median, Percentile(series.millis, 0.99), series.millis.back(), kTargetMillis,
                median < kTargetMillis ? "" : ", MISSED");
    std::printf("  per call: %.1f records read, %.1f keys visited; list: %zu %s",
                static_cast<double>(series.recordsRead) / calls,
                static_cast<double>(series.keysVisited) / calls, series.listSize, unit);
    if (series.listSize != expected) std::printf(" (the scan counted %zu!)", expected);
    std::printf("\n");
}

// The third measure: opening the Find Surname dialog on a shown person of `targets.surname`,
// as the main window's command does, until both lists are filled, the first person previewed
// and the dialog painted once.
void MeasureDialogOpen(HTable& table, const Targets& targets, int64_t repeats) {
    TTableLookup lookup(table);
    Series series;
    size_t persons = 0;
    bool previewed = true;
    for (int64_t i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        TSurnamesForm dialog(table, lookup);
        dialog.SetInitialSurname(targets.surname);
        dialog.show();
        dialog.FormActivate();
        QApplication::processEvents();
        series.millis.push_back(Millis(start));
        persons = dialog.Persons().size();
        previewed = previewed && !dialog.PreviewMemo->toPlainText().isEmpty();
    }
    std::sort(series.millis.begin(), series.millis.end());
    series.listSize = persons;
    const double median = Percentile(series.millis, 0.5);
    std::printf("open the dialog on a person of %s (lists filled, preview shown%s)\n",
                targets.surname.c_str(), previewed ? "" : ": NO PREVIEW!");
    std::printf("  median %.3f ms  p99 %.3f ms  max %.3f ms  (target: median under %.0f ms%s)\n",
                median, Percentile(series.millis, 0.99), series.millis.back(), kTargetMillis,
                median < kTargetMillis ? "" : ", MISSED");
    std::printf("  person list: %zu persons%s\n", persons,
                persons == static_cast<size_t>(targets.surnamePersons) ? "" : " (not the scan's!)");
}

// Generates and builds what was not given, runs the measures; returns the exit status.
int Run(Options& options) {
    const std::string base = options.dir + "/bench_surname_" + std::to_string(::getpid());
    const bool ownGedcom = options.gedcom.empty();
    int status = 0;
    try {
        SyntheticGedcomCounts generated;
        if (ownGedcom) {
            options.gedcom = base + ".ged";
            generated = WriteSyntheticGedcomFile(options.gedcom, options.synthetic);
        }
        TGedcomState& state = GedcomState();
        state.Decoding = gedcom::ChooseTextDecoding(options.gedcom);
        state.CurrentGedcomPath = options.gedcom;
        TBenchLookupTable files = options.lookup.empty()
                                      ? TBenchLookupTable::Build(options.gedcom, base + ".DBF")
                                      : TBenchLookupTable::Given(options.lookup);
        if (options.keep) files.Keep();

        HTable table;
        table.SetReadOnly(true);
        table.SetDBFPath(gedcom::DirectoryPart(files.TablePath()));
        table.SetDBFName(gedcom::NamePart(files.TablePath()));
        table.SetActive(true);
        if (!table.IndexOpen("\"" + files.IndexPath() + "\"", "NAME")) {
            throw std::runtime_error("cannot open " + files.IndexPath());
        }
        const int64_t residentOpen = ResidentKb();

        const auto scanStart = std::chrono::steady_clock::now();
        const Targets targets = FindTargets(table);
        const double scanMillis = Millis(scanStart);
        const double named = static_cast<double>(std::max<int64_t>(1, targets.named));
        std::printf("table: %d rows, %lld named individuals, %lld surnames (scan: %.0f ms)\n",
                    table.RecordCount(), static_cast<long long>(targets.named),
                    static_cast<long long>(targets.surnames), scanMillis);
        std::printf("letter with most individuals: %c, %lld individuals (%.2f %%), %lld surnames\n",
                    targets.letter, static_cast<long long>(targets.letterPersons),
                    100.0 * static_cast<double>(targets.letterPersons) / named,
                    static_cast<long long>(targets.letterSurnames));
        std::printf("most common surname: %s, %lld individuals (%.2f %%)\n",
                    targets.surname.c_str(), static_cast<long long>(targets.surnamePersons),
                    100.0 * static_cast<double>(targets.surnamePersons) / named);
        if (ownGedcom && (generated.surnames != targets.surnames ||
                          generated.commonestSurnameIndividuals != targets.surnamePersons)) {
            std::printf("(the generator wrote %lld surnames, the most common %s of %lld!)\n",
                        static_cast<long long>(generated.surnames),
                        generated.commonestSurname.c_str(),
                        static_cast<long long>(generated.commonestSurnameIndividuals));
        }

        surnames::TSurnameIndex index(table);
        auto listSurnames = [&] { return index.ListSurnames(targets.letter).size(); };
        auto listPersons = [&] { return index.ListPersonsOfSurname(targets.surname).size(); };
        // One call of each first, so that both files are in the page cache as they are after
        // the viewer has been used for a while.
        listSurnames();
        listPersons();

        std::printf("load before: %s\n", LoadAverage().c_str());
        const int64_t residentBefore = ResidentKb();
        const Series letterSeries = TimeLookup(index, options.repeats, listSurnames);
        const Series surnameSeries = TimeLookup(index, options.repeats, listPersons);
        const int64_t residentAfter = ResidentKb();

        std::printf("calls: %lld of each\n", static_cast<long long>(options.repeats));
        PrintSeries(("ListSurnames('" + std::string(1, targets.letter) + "')").c_str(),
                    letterSeries, static_cast<size_t>(targets.letterSurnames), "surnames");
        PrintSeries(("ListPersonsOfSurname(\"" + targets.surname + "\")").c_str(), surnameSeries,
                    static_cast<size_t>(targets.surnamePersons), "persons");
        MeasureDialogOpen(table, targets, options.repeats);
        const int64_t residentDialogs = ResidentKb();
        std::printf(
            "resident memory: %lld kB with the table open, %lld kB before the lookups, %lld kB "
            "after, %lld kB after the dialogs\n",
            static_cast<long long>(residentOpen), static_cast<long long>(residentBefore),
            static_cast<long long>(residentAfter), static_cast<long long>(residentDialogs));
        std::printf("load after: %s\n", LoadAverage().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 1;
    }
    if (ownGedcom && !options.keep) std::remove(options.gedcom.c_str());
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    Options options;
    options.synthetic.individuals = 1000000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--individuals") options.synthetic.individuals = std::atoll(argv[i + 1]);
        if (arg == "--repeats") options.repeats = std::atoll(argv[i + 1]);
        if (arg == "--seed") options.synthetic.seed = std::strtoull(argv[i + 1], nullptr, 10);
        if (arg == "--dir") options.dir = argv[i + 1];
        if (arg == "--file") options.gedcom = argv[i + 1];
        if (arg == "--table") options.lookup = argv[i + 1];
        if (arg == "--keep") options.keep = std::string_view(argv[i + 1]) == "1";
    }
    if (options.repeats < 1 || options.synthetic.individuals < 1) {
        std::fprintf(stderr, "--repeats and --individuals must be at least 1\n");
        return 2;
    }
    return Run(options);
}
