// What the benchmarks share: the process's CPU time, the figure every ratio is made of.
#pragma once

#include <ctime>

namespace bench {

// CPU seconds of every thread of the process (the pipelines' streaming threads included).
inline double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace bench
