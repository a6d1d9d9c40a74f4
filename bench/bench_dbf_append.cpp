// bench_dbf_append: appends rows of the lookup-table layout to a table opened exclusively,
// then reads them all back with Skip(1), and prints rows per second for both phases.
//
//   bench_dbf_append [--rows N] [--file PATH] [--phase both|append|read] [--read-ahead]
//                    [--strace]
//
// --strace runs each phase again under `strace -c -f` (and once with no rows, to take away
// the cost of starting the process) and prints the system calls made per row.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "table/HDBFTable.h"

namespace {

struct Options {
    long rows = 1000000;
    std::string file = "/tmp/bench_dbf_append.DBF";
    std::string phase = "both";
    bool readAhead = false;
    bool strace = false;
};

// The empty lookup table: RTYPE C1, NAME C70, POINTER C20, OFFSET N10 (doc/dbf_format.md).
std::string EmptyLookupTable() {
    struct Field {
        const char* name;
        char type;
        int width;
    };
    const Field fields[] = {
        {"RTYPE", 'C', 1}, {"NAME", 'C', 70}, {"POINTER", 'C', 20}, {"OFFSET", 'N', 10}};
    std::string bytes(32, '\0');
    bytes[0] = 0x03;
    bytes[8] = static_cast<char>(161);
    bytes[10] = 102;
    for (const Field& f : fields) {
        std::string d(32, '\0');
        for (int i = 0; f.name[i]; ++i) d[static_cast<size_t>(i)] = f.name[i];
        d[11] = f.type;
        d[16] = static_cast<char>(f.width);
        bytes += d;
    }
    bytes += '\x0D';
    bytes += '\x1A';
    return bytes;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Append(const Options& o) {
    std::ofstream(o.file, std::ios::binary | std::ios::trunc) << EmptyLookupTable();
    HDBFTable table;
    if (!table.Open(o.file, {HFileAccess::ReadWrite, HFileShare::Exclusive})) return 1;
    const auto start = std::chrono::steady_clock::now();
    char pointer[24];
    for (long i = 0; i < o.rows; ++i) {
        std::snprintf(pointer, sizeof pointer, "I%ld", i + 1);
        table.BlankRecord();
        table.FieldPut(1, "I");
        table.FieldPut(2, "Surname/Given Name");
        table.FieldPut(3, pointer);
        table.NumberPut(4, static_cast<double>(i) * 57);
        if (!table.AppendRecord()) return 1;
    }
    table.Close();
    const double s = Seconds(start);
    std::printf("append: %ld rows in %.3f s, %.0f rows/s\n", o.rows, s, o.rows / s);
    return 0;
}

int Read(const Options& o) {
    HDBFTable table;
    if (!table.Open(o.file, {HFileAccess::ReadWrite, HFileShare::Exclusive})) return 1;
    table.SetReadAhead(o.readAhead);
    const auto start = std::chrono::steady_clock::now();
    long rows = 0;
    table.Go(hmove::kTop);
    while (!table.Eof() && table.RecordCount() > 0) {
        ++rows;
        table.Skip(1);
    }
    const double s = Seconds(start);
    std::printf("read%s: %ld rows in %.3f s, %.0f rows/s\n", o.readAhead ? " (read-ahead)" : "",
                rows, s, rows / s);
    return rows == table.RecordCount() ? 0 : 1;
}

// Total system calls of `self` running `args`, counted by strace -c -f.
long CountCalls(const std::string& self, const std::string& args) {
    char out[] = "/tmp/bench_dbf_strace_XXXXXX";
    int fd = ::mkstemp(out);
    if (fd < 0) return -1;
    ::close(fd);
    std::string command =
        "strace -c -f -o " + std::string(out) + " " + self + " " + args + " > /dev/null";
    if (std::system(command.c_str()) != 0) return -1;
    std::ifstream in(out);
    std::string line;
    long calls = -1;
    while (std::getline(in, line)) {
        if (line.find("total") == std::string::npos) continue;
        std::istringstream words(line);
        double percent, seconds, usecs;
        words >> percent >> seconds >> usecs >> calls;
    }
    ::unlink(out);
    return calls;
}

int Strace(const Options& o, const std::string& self) {
    const std::string common = " --file " + o.file + (o.readAhead ? " --read-ahead" : "");
    const std::string rows = " --rows " + std::to_string(o.rows);
    for (const char* phase : {"append", "read"}) {
        // The baseline reads (or appends to) an empty table.
        const bool read = std::string(phase) == "read";
        if (read) CountCalls(self, "--phase append --rows 0" + common);
        long base = CountCalls(self, std::string("--phase ") + phase + " --rows 0" + common);
        if (read) CountCalls(self, "--phase append" + rows + common);
        long total = CountCalls(self, std::string("--phase ") + phase + rows + common);
        if (base < 0 || total < 0) {
            std::fprintf(stderr, "strace failed\n");
            return 1;
        }
        std::printf("%s: %ld system calls for %ld rows (%ld without rows): %.3f per row\n", phase,
                    total, o.rows, base, static_cast<double>(total - base) / o.rows);
    }
    ::unlink(o.file.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--rows")
            o.rows = std::atol(next().c_str());
        else if (a == "--file")
            o.file = next();
        else if (a == "--phase")
            o.phase = next();
        else if (a == "--read-ahead")
            o.readAhead = true;
        else if (a == "--strace")
            o.strace = true;
        else {
            std::fprintf(stderr, "unknown option %s\n", a.c_str());
            return 2;
        }
    }
    if (o.strace) return Strace(o, argv[0]);
    int rc = 0;
    if (o.phase == "both" || o.phase == "append") rc |= Append(o);
    if (o.phase == "both" || o.phase == "read") rc |= Read(o);
    if (o.phase == "both") ::unlink(o.file.c_str());
    return rc;
}
