#pragma once

#include <QString>

#include <map>

// CPU time of this process, for the benchmarks (Linux: getrusage and /proc).
namespace ProcessCpu {

// User and system seconds of the whole process so far.
double seconds();
// User and system seconds of each thread, by thread name.
std::map<QString, double> threadSeconds();

} // namespace ProcessCpu
