// The solver's threads: how many it may use, and a team that runs one job on
// all of them at once. The work is divided so that every value is computed by
// the same operations in the same order whatever the number of threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

namespace potsolve {

// HEADFIELD_THREADS when it holds a whole number from 1 to max_threads, else
// the number of processors the process may run on (its CPU affinity), at least 1.
constexpr int max_threads = 256;
int thread_count();

// Fewer rows (nodes, elements) than this are worked on one thread.
constexpr std::int32_t shared_min_rows = 4096;

// Waits politely for another thread: a few hundred pauses, then yields.
class Backoff {
 public:
  void pause();

 private:
  int spins_ = 0;
};

// A fixed team of threads. run(job) calls job(member) for every member
// 0 .. size()-1 at once (member 0 on the calling thread) and returns when all
// have finished; an exception of a job is thrown again by run (the first one).
// Idle members spin briefly, then sleep until the next job.
class Team {
 public:
  explicit Team(int threads);
  ~Team();
  Team(const Team&) = delete;
  Team& operator=(const Team&) = delete;

  int size() const { return size_; }
  void run(const std::function<void(int member)>& job);
  // job() on member 0 while the other members wait for it awake, so that a
  // run that follows at once finds them ready.
  void alone(const std::function<void()>& job);

 private:
  void serve(int member);
  void perform(int member);

  int size_;
  std::vector<std::thread> threads_;
  const std::function<void(int)>* job_ = nullptr;
  std::atomic<std::uint32_t> generation_{0};
  std::atomic<int> pending_{0};
  std::atomic<bool> stop_{false};
  std::atomic<bool> failed_{false};
  std::exception_ptr failure_;
};

// Splits the rows 1..n into parts of about equal weight: part t is rows
// bounds[t]+1 .. bounds[t+1]. weight_end(i) is the total weight of rows 1..i
// (non-decreasing); bounds has parts + 1 entries.
std::vector<std::int32_t> split_rows(std::int32_t n, int parts,
                                     const std::function<std::int64_t(std::int32_t)>& weight_end);

}  // namespace potsolve
