// bench_dbf_append: creates an empty lookup table with HCreateTable, appends rows through an
// HTable opened exclusively (Append, StringPut, IntegerPut, Post, as the lookup-table builder
// does), then reads them all back with First and Skip(1) until Eof, and prints rows per second
// for both phases.
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

#include "table/HCreateTable.h"
#include "table/HTable.h"

namespace {

struct Options {
    long rows = 1000000;
    std::string file = "/tmp/bench_dbf_append.DBF";
    std::string phase = "both";
    bool readAhead = false;
    bool strace = false;
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The lookup table, created with its own field list, opened exclusively.
void Prepare(HTable& table, const Options& o) {
    const size_t slash = o.file.find_last_of('/');
    table.SetDBFPath(slash == std::string::npos ? "" : o.file.substr(0, slash));
    table.SetDBFName(slash == std::string::npos ? o.file : o.file.substr(slash + 1));
    table.SetExclusive(true);
    table.SetReadAhead(o.readAhead);
}

int Append(const Options& o) {
    HTable table;
    Prepare(table, o);
    HCreateTable creator;
    creator.SetDBFTable(&table);
    creator.SetDBFType(HDBFTypes::FoxPro2);
    creator.SetAutoOverwrite(true);
    creator.SetCreateFields({"RTYPE;C;1;0", "NAME;C;70;0", "POINTER;C;20;0", "OFFSET;N;10;0"});
    if (!creator.Execute()) return 1;
    table.SetActive(true);
    if (!table.Active()) return 1;
    const auto start = std::chrono::steady_clock::now();
    char pointer[24];
    for (long i = 0; i < o.rows; ++i) {
        std::snprintf(pointer, sizeof pointer, "I%ld", i + 1);
        table.Append();
        table.StringPut("RTYPE", "I");
        table.StringPut("POINTER", pointer);
        table.IntegerPut("OFFSET", static_cast<int32_t>(i * 57));
        table.StringPut("NAME", "Surname/Given Name");
        if (!table.Post()) return 1;
    }
    table.SetActive(false);
    const double s = Seconds(start);
    std::printf("append: %ld rows in %.3f s, %.0f rows/s\n", o.rows, s, o.rows / s);
    return 0;
}

int Read(const Options& o) {
    HTable table;
    Prepare(table, o);
    table.SetActive(true);
    if (!table.Active()) return 1;
    const auto start = std::chrono::steady_clock::now();
    long rows = 0;
    for (table.First(); !table.Eof() && table.RecordCount() > 0; table.Skip(1)) ++rows;
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
