#include "potsolve/threads.h"

#include <sched.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace potsolve {

namespace {

// Every core the process may run on.
int affinity_count() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    const int k = CPU_COUNT(&set);
    if (k >= 1) return k < max_threads ? k : max_threads;
  }
  const unsigned hw = std::thread::hardware_concurrency();
  return hw >= 1 ? static_cast<int>(hw < max_threads ? hw : max_threads) : 1;
}

}  // namespace

int thread_count() {
  const char* s = std::getenv("HEADFIELD_THREADS");
  if (!s) return affinity_count();
  int v = 0;
  const char* end = s + std::strlen(s);
  const auto [p, ec] = std::from_chars(s, end, v);
  if (ec == std::errc() && p == end && v >= 1 && v <= max_threads) return v;
  // said on the error stream, so that the console transcript stays as it is
  const int k = affinity_count();
  std::fprintf(stderr, "HEADFIELD_THREADS=\"%.40s\" is not a whole number from 1 to %d: using %d threads\n", s,
               max_threads, k);
  return k;
}

void Backoff::pause() {
  if (++spins_ < 400) {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
  } else {
    std::this_thread::yield();
  }
}

Team::Team(int threads) : size_(threads < 1 ? 1 : threads) {
  threads_.reserve(static_cast<std::size_t>(size_ - 1));
  for (int t = 1; t < size_; ++t) threads_.emplace_back([this, t] { serve(t); });
}

Team::~Team() {
  stop_.store(true, std::memory_order_relaxed);
  generation_.fetch_add(1, std::memory_order_release);
  generation_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void Team::perform(int member) {
  try {
    (*job_)(member);
  } catch (...) {
    if (!failed_.exchange(true)) failure_ = std::current_exception();
  }
}

// A member's life: wait for a new generation, run its part of the job, report.
void Team::serve(int member) {
  std::uint32_t seen = 0;
  for (;;) {
    std::uint32_t g;
    // a short spin for a job that follows at once, then sleep
    for (int spin = 0; (g = generation_.load(std::memory_order_acquire)) == seen; ++spin) {
      if (spin < 4000) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
      } else {
        generation_.wait(seen, std::memory_order_acquire);
      }
    }
    seen = g;
    if (stop_.load(std::memory_order_relaxed)) return;
    perform(member);
    pending_.fetch_sub(1, std::memory_order_acq_rel);
  }
}

void Team::run(const std::function<void(int)>& job) {
  job_ = &job;
  failed_.store(false);
  failure_ = nullptr;
  if (size_ > 1) {
    pending_.store(size_ - 1, std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
  }
  perform(0);
  // the other members' parts
  Backoff wait;
  while (pending_.load(std::memory_order_acquire) != 0) wait.pause();
  job_ = nullptr;
  if (failure_) std::rethrow_exception(failure_);
}

void Team::alone(const std::function<void()>& job) {
  if (size_ == 1) return job();
  std::atomic<bool> done{false};
  run([&](int member) {
    if (member == 0) {
      job();
      done.store(true, std::memory_order_release);
    } else {
      Backoff wait;
      while (!done.load(std::memory_order_acquire)) wait.pause();
    }
  });
}

std::vector<std::int32_t> split_rows(std::int32_t n, int parts,
                                     const std::function<std::int64_t(std::int32_t)>& weight_end) {
  std::vector<std::int32_t> bounds(static_cast<std::size_t>(parts) + 1, n);
  bounds[0] = 0;
  const std::int64_t total = weight_end(n);
  // each inner bound: the first row whose weight reaches the part's share
  for (int t = 1; t < parts; ++t) {
    const std::int64_t target = total * t / parts;
    std::int32_t lo = bounds[t - 1], hi = n;
    while (lo < hi) {
      const std::int32_t mid = lo + (hi - lo) / 2;
      if (weight_end(mid) < target) lo = mid + 1;
      else hi = mid;
    }
    bounds[t] = lo;
  }
  return bounds;
}

}  // namespace potsolve
