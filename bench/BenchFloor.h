// What the benchmarks share: the time of the floor a goal is measured
// against, taken in the same process just before the measured work, so that
// each goal can be read as a ratio that does not depend on the machine.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace qvbench {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The least time per call of work over a few rounds of about 20 ms each.
template <typename Work>
double FloorSeconds(Work work) {
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    uint64_t calls = 0;
    const auto start = Clock::now();
    double elapsed = 0;
    do {
      work();
      ++calls;
      elapsed = SecondsSince(start);
    } while (elapsed < 0.02);
    best = std::min(best, elapsed / static_cast<double>(calls));
  }
  return best;
}

}  // namespace qvbench
