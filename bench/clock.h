// Wall-clock timing for the benchmark.
#pragma once

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

namespace bench {

inline double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Processor seconds of this process so far (all its threads).
inline double cpu_now() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Seconds taken by one call of f.
template <class F>
double time_once(F&& f) {
  const double t0 = now();
  f();
  return now() - t0;
}

// Mean seconds per call of f, calling it until min_total seconds have passed
// (at least once), after one untimed warm-up call.
template <class F>
double time_mean(F&& f, double min_total = 0.05) {
  f();
  int calls = 0;
  const double t0 = now();
  double t = t0;
  // repeat until the total is long enough to read
  do {
    f();
    ++calls;
    t = now();
  } while (t - t0 < min_total);
  return (t - t0) / calls;
}

// This machine's speed varies from minute to minute: the figures set against
// each other (the program end to end, the peer's solve) are each the median
// of this many runs, taken in turn.
constexpr int repeats = 5;

// The median of runs by seconds(run) (the upper one of an even count).
template <class Run, class Seconds>
Run median_run(std::vector<Run> runs, Seconds seconds) {
  const auto mid = runs.begin() + static_cast<std::ptrdiff_t>(runs.size() / 2);
  std::nth_element(runs.begin(), mid, runs.end(),
                   [&](const Run& a, const Run& b) { return seconds(a) < seconds(b); });
  return *mid;
}

}  // namespace bench
