// What the benchmarks measure besides time: the machine's load, the process's read system calls
// and resident memory, and percentiles of a series of timings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The first line of /proc/loadavg: the load averages the figures were taken under.
std::string LoadAverage();
// Read system calls of this process so far (read, pread and the like), or -1.
int64_t ReadSyscalls();
// Resident memory of this process in kilobytes, or -1.
int64_t ResidentKb();
// The value at fraction `q` of `sorted` (nearest rank); 0 for an empty series.
double Percentile(const std::vector<double>& sorted, double q);
// The median of `values` (the mean of the middle two for an even count); 0 for none.
double Median(std::vector<double> values);
