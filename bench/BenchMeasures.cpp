#include "bench/BenchMeasures.h"

#include <algorithm>
#include <fstream>

namespace {

// The number after the word `key` in the text file `file`, or -1.
int64_t ProcValue(const char* file, const std::string& key) {
    std::ifstream in(file);
    std::string word;
    while (in >> word) {
        if (word == key) {
            int64_t value = -1;
            in >> value;
            return value;
        }
    }
    return -1;
}

}  // namespace

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string line;
    std::getline(in, line);
    return line;
}

int64_t ReadSyscalls() { return ProcValue("/proc/self/io", "syscr:"); }

int64_t ResidentKb() { return ProcValue("/proc/self/status", "VmRSS:"); }

double Percentile(const std::vector<double>& sorted, double q) {
    if (sorted.empty()) return 0;
    size_t rank = static_cast<size_t>(q * static_cast<double>(sorted.size()) + 0.999999);
    rank = std::clamp<size_t>(rank, 1, sorted.size());
    return sorted[rank - 1];
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}
