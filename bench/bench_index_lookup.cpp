// bench_index_lookup: a lookup table of a million rows (RTYPE C1, NAME C70, POINTER C20,
// OFFSET N10) with realistic names and pointers; builds its "NAME" tag ("RTYPE-UPPER(NAME)",
// general collation, sort code 7) and its "POINTER" tag ("POINTER", general collation), and
// prints each build's time next to the time `LC_ALL=C sort` takes in the same run to sort the
// same key texts written one a line; then runs random finds of existing pointers on the
// "POINTER" tag and prints finds per second and 512-byte page reads per find against the
// tree's depth.
//
//   bench_index_lookup [--rows N] [--finds N] [--repeat N] [--dir PATH] [--keep 1]
//
// With --repeat N (default 5) each build and each sort runs N times, alternating, and the
// fastest and the median times are printed: a shared machine's noise hits both alike.
//
// The table, its index and the key-text files go to --dir (default /tmp) and are removed at
// the end unless --keep is given (to profile `lineatum-tool index` on them); the builds' run
// files go beside the index.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "bench/SyntheticGedcom.h"
#include "table/CdxFileStore.h"
#include "table/EZadarirError.h"
#include "table/HDBFTable.h"
#include "table/HTableIndexes.h"
#include "table/KeyExpression.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Put(std::string& bytes, size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
}

std::string Pointer(long n) { return "@I" + std::to_string(n) + "@"; }
char RecordType(long n) { return n % 7 == 0 ? 'F' : 'I'; }

// Writes the table file directly: header, four descriptors, 0x0D, the records, 0x1A.
bool WriteTable(const std::string& path, long rows) {
    std::string header(161, '\0');
    header[0] = 0x03;
    header[1] = 26;
    header[2] = 1;
    header[3] = 1;
    Put(header, 4, static_cast<uint32_t>(rows), 4);
    Put(header, 8, 161, 2);
    Put(header, 10, 102, 2);
    const struct {
        const char* name;
        char type;
        int width;
    } fields[] = {{"RTYPE", 'C', 1}, {"NAME", 'C', 70}, {"POINTER", 'C', 20}, {"OFFSET", 'N', 10}};
    for (int f = 0; f < 4; ++f) {
        const size_t at = 32 + 32 * static_cast<size_t>(f);
        std::memcpy(&header[at], fields[f].name, std::strlen(fields[f].name));
        header[at + 11] = fields[f].type;
        header[at + 16] = static_cast<char>(fields[f].width);
    }
    header[160] = 0x0D;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    std::string record(102, ' ');
    char offset[32];
    for (long n = 1; n <= rows; ++n) {
        std::fill(record.begin(), record.end(), ' ');
        record[1] = RecordType(n);
        const std::string name = SyntheticSortName(n);
        std::memcpy(&record[2], name.data(), std::min<size_t>(70, name.size()));
        const std::string pointer = Pointer(n);
        std::memcpy(&record[72], pointer.data(), pointer.size());
        std::snprintf(offset, sizeof offset, "%10ld", n * 40);
        std::memcpy(&record[92], offset, 10);
        out.write(record.data(), 102);
    }
    out.put(0x1A);
    return static_cast<bool>(out);
}

// The key texts of a tag, one a line, as its key expression gives them.
void WriteKeyTexts(const std::string& path, long rows, bool name) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const auto& upper = UpperTable();
    std::string line;
    for (long n = 1; n <= rows; ++n) {
        if (name) {
            line.assign(1, RecordType(n));
            std::string text = SyntheticSortName(n);
            text.resize(70, ' ');
            for (char c : text) line += static_cast<char>(upper[static_cast<unsigned char>(c)]);
        } else {
            line = Pointer(n);
            line.resize(20, ' ');
        }
        line += '\n';
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
}

// Processor time (user + system) of this process or of its finished children, in seconds.
double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

Timing TimeSort(const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds(RUSAGE_CHILDREN);
    const std::string command = "LC_ALL=C sort '" + path + "' -o /dev/null";
    if (std::system(command.c_str()) != 0) return {-1, -1};
    return {Seconds(start), CpuSeconds(RUSAGE_CHILDREN) - cpu};
}

// The run of median wall time (the upper median for an even count).
Timing Median(std::vector<Timing> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const Timing& a, const Timing& b) { return a.wall < b.wall; });
    return runs[runs.size() / 2];
}

double Fastest(const std::vector<Timing>& runs) {
    double best = runs.front().wall;
    for (const Timing& t : runs) best = std::min(best, t.wall);
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    long rows = 1000000;
    long finds = 100000;
    std::string dir = "/tmp";
    bool keep = false;
    int repeat = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--rows") rows = std::atol(argv[i + 1]);
        if (arg == "--finds") finds = std::atol(argv[i + 1]);
        if (arg == "--dir") dir = argv[i + 1];
        if (arg == "--keep") keep = std::atoi(argv[i + 1]) != 0;
        if (arg == "--repeat") repeat = std::max(1, std::atoi(argv[i + 1]));
    }
    const std::string base = dir + "/bench_index_" + std::to_string(::getpid());
    const std::string table = base + ".DBF";
    const std::string index = base + ".CDX";
    const std::string texts = base + ".txt";
    if (!WriteTable(table, rows)) {
        std::fprintf(stderr, "cannot write %s\n", table.c_str());
        return 1;
    }
    int status = 0;
    try {
        HDBFTable t;
        if (!t.Open(table, {HFileAccess::ReadWrite, HFileShare::Exclusive})) return 1;
        struct Tag {
            const char* name;
            const char* expression;
        };
        for (const Tag& tag : {Tag{"NAME", "RTYPE-UPPER(NAME)"}, Tag{"POINTER", "POINTER"}}) {
            WriteKeyTexts(texts, rows, std::strcmp(tag.name, "NAME") == 0);
            std::vector<Timing> sorts, builds;
            for (int run = 0; run < repeat; ++run) {
                sorts.push_back(TimeSort(texts));
                const auto start = std::chrono::steady_clock::now();
                const double cpu = CpuSeconds(RUSAGE_SELF);
                if (!t.AddTag(index, tag.name, tag.expression, "", 7, 1)) return 1;
                builds.push_back(Timing{Seconds(start), CpuSeconds(RUSAGE_SELF) - cpu});
            }
            std::remove(texts.c_str());
            const Timing build = Median(builds), sort = Median(sorts);
            std::printf(
                "build %-7s %ld keys: median %.3f s (cpu %.3f s), fastest %.3f s   "
                "LC_ALL=C sort of the key texts: median %.3f s (cpu %.3f s), fastest %.3f s\n",
                tag.name, rows, build.wall, build.cpu, Fastest(builds), sort.wall, sort.cpu,
                Fastest(sorts));
        }
        if (!t.SetOrder("POINTER")) return 1;
        std::mt19937 random(42);
        std::vector<std::string> keys;
        keys.reserve(static_cast<size_t>(finds));
        for (long i = 0; i < finds; ++i)
            keys.push_back(Pointer(1 + static_cast<long>(random() % rows)));
        t.Find(keys[0]);
        const size_t depth = t.Indexes().OrderTag()->PathDepth();
        const uint64_t readsBefore = HCdxFileStore::PagesRead();
        long found = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& key : keys) found += t.Find(key) ? 1 : 0;
        const double findTime = Seconds(start);
        const double reads = static_cast<double>(HCdxFileStore::PagesRead() - readsBefore) /
                             static_cast<double>(finds);
        std::printf(
            "find    POINTER %ld finds (%ld found): %.0f finds/s, %.2f page reads per find,"
            " tree depth %zu (target: at most %zu)\n",
            finds, found, static_cast<double>(finds) / findTime, reads, depth, depth + 1);
        if (found != finds) status = 1;
    } catch (const EZadarirError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 1;
    }
    if (keep) {
        std::printf("kept %s and %s\n", table.c_str(), index.c_str());
    } else {
        std::remove(table.c_str());
        std::remove(index.c_str());
    }
    return status;
}
