// bench_select_person: the Select Person dialog on a synthetic GEDCOM file of a million
// individuals. Types 10,000 random prefixes of 1 to 4 letters into the search box, one letter at
// a time, and times each keystroke from the text changing to the grid's record window being
// filled (median and 99th percentile, with the records read into the window and the read system
// calls per keystroke); then times opening the dialog on a shown person, up to its first paint.
// Prints the resident memory before and after the searches.
//
//   bench_select_person [--individuals N] [--prefixes N] [--opens N] [--seed S] [--dir PATH]
//                       [--file FILE.ged] [--table LOOKUP.DBF] [--keep 1]
//
// Without --file a GEDCOM file is generated in --dir (default /tmp); without --table its lookup
// table is built there. Generated files are removed at the end unless --keep 1 is given.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include <QApplication>
#include <QLineEdit>

#include "bench/BenchLookupTable.h"
#include "bench/BenchMeasures.h"
#include "bench/SyntheticGedcom.h"
#include "dbcontrols/HDBPickList.h"
#include "gedcom/TextDecoding.h"
#include "gedcom/FilePaths.h"
#include "gedcom/GedcomState.h"
#include "person/NameSearch.h"
#include "person/PickPerson.h"
#include "table/HTable.h"

namespace {

double Millis(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

// Opens the dialog as the main window does: the range of named individuals, the person shown,
// the grid and navigator bound, the column as wide as the grid; shown and painted once.
void OpenOn(TPickPerson& dialog, HTable& table, int32_t recNo) {
    table.SetRange(namesearch::kRangeLow, namesearch::kRangeHigh);
    table.Go(recNo);
    dialog.SetTable(&table);
    dialog.SetNameColumnWidth(dialog.GridClientWidth());
    dialog.show();
    QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    SyntheticGedcomOptions options;
    options.individuals = 1000000;
    int64_t prefixes = 10000;
    int64_t opens = 100;
    std::string dir = "/tmp";
    std::string gedcom;
    std::string lookup;
    bool keep = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--individuals") options.individuals = std::atoll(argv[i + 1]);
        if (arg == "--prefixes") prefixes = std::atoll(argv[i + 1]);
        if (arg == "--opens") opens = std::atoll(argv[i + 1]);
        if (arg == "--seed") options.seed = std::strtoull(argv[i + 1], nullptr, 10);
        if (arg == "--dir") dir = argv[i + 1];
        if (arg == "--file") gedcom = argv[i + 1];
        if (arg == "--table") lookup = argv[i + 1];
        if (arg == "--keep") keep = std::string_view(argv[i + 1]) == "1";
    }
    if (prefixes < 1 || opens < 1 || options.individuals < 1) {
        std::fprintf(stderr, "--prefixes, --opens and --individuals must be at least 1\n");
        return 2;
    }
    const std::string base = dir + "/bench_pick_" + std::to_string(::getpid());
    const bool ownGedcom = gedcom.empty();
    int status = 0;
    try {
        if (ownGedcom) {
            gedcom = base + ".ged";
            WriteSyntheticGedcomFile(gedcom, options);
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
        table.SetDBFPath(gedcom::DirectoryPart(tablePath));
        table.SetDBFName(gedcom::NamePart(tablePath));
        table.SetActive(true);
        if (!table.IndexOpen("\"" + indexPath + "\"", "NAME")) {
            throw std::runtime_error("cannot open " + indexPath);
        }
        const int32_t records = table.RecordCount();
        std::mt19937_64 random(options.seed);
        std::uniform_int_distribution<int> letter('a', 'z');
        std::uniform_int_distribution<int> length(1, 4);
        std::uniform_int_distribution<int32_t> row(1, records);

        // Opening on a shown person: a random named individual.
        std::vector<double> openMillis;
        for (int64_t i = 0; i < opens; ++i) {
            int32_t recNo = row(random);
            for (table.Go(recNo); table.StringGet("RTYPE")[0] != 'I'; table.Go(recNo)) {
                recNo = row(random);
            }
            const auto start = std::chrono::steady_clock::now();
            {
                TPickPerson dialog;
                OpenOn(dialog, table, recNo);
                openMillis.push_back(Millis(start));
                dialog.SetTable(nullptr);
            }
            table.SetRange(std::string(), std::string());
        }

        TPickPerson dialog;
        OpenOn(dialog, table, 1);
        HDBPickList& grid = *dialog.PersonGrid;
        std::vector<std::string> typed;
        typed.reserve(static_cast<size_t>(prefixes));
        for (int64_t i = 0; i < prefixes; ++i) {
            std::string prefix;
            for (int n = length(random); n > 0; --n) prefix += static_cast<char>(letter(random));
            typed.push_back(prefix);
        }
        // A first round brings the index pages and records into the page cache, as after the
        // viewer has been used for a while.
        for (size_t i = 0; i < typed.size() && i < 200; ++i) {
            dialog.PickFind->setText(QString::fromLatin1(typed[i]));
        }

        std::printf("load before: %s\n", LoadAverage().c_str());
        const int64_t residentBefore = ResidentKb();
        std::vector<double> keyMillis;
        int64_t keystrokes = 0;
        const int64_t snapshotsBefore = grid.SnapshotsTaken();
        const int64_t syscallsBefore = ReadSyscalls();
        int64_t notFilled = 0;
        for (const std::string& prefix : typed) {
            dialog.PickFind->blockSignals(true);
            dialog.PickFind->clear();
            dialog.PickFind->blockSignals(false);
            for (size_t n = 1; n <= prefix.size(); ++n) {
                const QString text = QString::fromLatin1(prefix.substr(0, n));
                const auto start = std::chrono::steady_clock::now();
                dialog.PickFind->setText(text);
                keyMillis.push_back(Millis(start));
                ++keystrokes;
                if (grid.RecordWindow().empty() && !table.Eof()) ++notFilled;
            }
            QApplication::processEvents();
        }
        const double k = static_cast<double>(keystrokes);
        const int64_t snapshots = grid.SnapshotsTaken() - snapshotsBefore;
        const int64_t syscalls = ReadSyscalls() - syscallsBefore;
        const int64_t residentAfter = ResidentKb();
        std::sort(keyMillis.begin(), keyMillis.end());
        std::sort(openMillis.begin(), openMillis.end());
        std::printf("table: %d rows; grid window: %d rows\n", records, grid.RowCapacity());
        std::printf("search: %lld prefixes, %lld keystrokes\n", static_cast<long long>(prefixes),
                    static_cast<long long>(keystrokes));
        std::printf(
            "per keystroke: median %.3f ms  p99 %.3f ms  max %.3f ms  (targets: median < 0.2 ms, "
            "p99 < 2 ms)\n",
            Percentile(keyMillis, 0.5), Percentile(keyMillis, 0.99), keyMillis.back());
        std::printf("per keystroke: %.1f records read into the window, %.1f read syscalls%s\n",
                    static_cast<double>(snapshots) / k, static_cast<double>(syscalls) / k,
                    notFilled ? " (some windows left empty!)" : "");
        std::printf("open on a shown person: median %.2f ms  p99 %.2f ms  (target < 20 ms)\n",
                    Percentile(openMillis, 0.5), Percentile(openMillis, 0.99));
        std::printf("resident memory: %lld kB before the searches, %lld kB after\n",
                    static_cast<long long>(residentBefore), static_cast<long long>(residentAfter));
        std::printf("load after: %s\n", LoadAverage().c_str());
        dialog.SetTable(nullptr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 1;
    }
    if (ownGedcom && !keep) std::remove(gedcom.c_str());
    return status;
}
