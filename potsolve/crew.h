// The iteration's kernels run by a team of threads on a solve's schedule. Every
// value comes out exactly as the one-thread kernels compute it: a row's terms
// are summed in the row's order, and every dot product is summed over
// i = 1..n in ascending order.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "potsolve/iccg.h"
#include "potsolve/threads.h"

namespace potsolve {

class Crew {
 public:
  explicit Crew(const IccgSystem& s);

  int members() const { return team_.size(); }

  // Called before each iteration, plain says whether it is one without a
  // test. Shared work pays only while every member gets a processor: the crew
  // times the plain iterations it runs on all members and on member 0 alone,
  // runs each iteration the faster way, and the other way every 32nd time to
  // keep both times current. Either way gives the same bits.
  void pace(bool plain);

  // y = A x; returns the sum of x(i) y(i).
  double matvec_dot(const std::vector<double>& x, std::vector<double>& y);
  // y = A x; returns the sum of (b(i) - y(i))^2.
  double residual_squared(const std::vector<double>& x, const std::vector<double>& b, std::vector<double>& y);
  // z = M^-1 r.
  void precond(const std::vector<double>& r, std::vector<double>& z);
  // pass(first, last) on every member's rows first..last (all rows together once).
  void rows(const std::function<void(std::int32_t first, std::int32_t last)>& pass);
  // alone() on member 0 while the other members share pass(first, last) over
  // all rows; with one member, alone() and then pass over all rows.
  void beside(const std::function<void()>& alone,
              const std::function<void(std::int32_t first, std::int32_t last)>& pass);

 private:
  struct alignas(64) Counter {
    std::atomic<std::int32_t> v{0};
  };
  // y = A x on every member's rows; member 0 folds its own rows as it goes.
  template <class Fold>
  void product(const std::vector<double>& x, std::vector<double>& y, Fold fold);

  const IccgSystem& s_;
  Team team_;
  bool alone_ = false;           // the current iteration on member 0 alone
  bool timing_ = false;          // the current iteration is timed
  std::int64_t paced_ = 0;       // iterations begun
  double mean_[2] = {0.0, 0.0};  // smoothed seconds per plain iteration: shared, alone
  int seen_[2] = {0, 0};
  std::chrono::steady_clock::time_point start_;
  std::unique_ptr<Counter[]> done_;  // per member: levels of the current solve z = M^-1 r finished
};

}  // namespace potsolve
