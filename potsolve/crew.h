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

// Whether a kernel pays to share its work: it is timed on all members and on
// member 0 alone, runs the faster way, and the other way every 32nd call to keep
// both times current. Shared work pays only while every member gets a
// processor. Either way gives the same bits.
class Pace {
 public:
  // Before a call: true when this call runs on member 0 alone.
  bool start();
  // The way of the current (or last) call.
  bool alone() const { return alone_; }
  // After the call.
  void stop();

 private:
  bool alone_ = false;
  std::int64_t calls_ = 0;
  double mean_[2] = {0.0, 0.0};  // smoothed seconds per call: shared, alone
  int seen_[2] = {0, 0};
  std::chrono::steady_clock::time_point start_;
};

class Crew {
 public:
  explicit Crew(const IccgSystem& s);

  int members() const { return team_.size(); }

  // y = A x; returns the sum of x(i) y(i).
  double matvec_dot(const std::vector<double>& x, std::vector<double>& y);
  // y = A x; returns the sum of (b(i) - y(i))^2.
  double residual_squared(const std::vector<double>& x, const std::vector<double>& b, std::vector<double>& y);
  // z = M^-1 r. The sweeps first set z(0), an entry no row uses, to +0: the
  // padding terms read it.
  void precond(const std::vector<double>& r, std::vector<double>& z);
  // r = r - alpha q, row by row as the forward sweep reaches it, and z = M^-1 r.
  void step_precond(std::vector<double>& r, const std::vector<double>& q, double alpha, std::vector<double>& z);
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
  // y = A x on every member's rows, each row folded in ascending order.
  template <class Fold>
  void product(const std::vector<double>& x, std::vector<double>& y, Fold fold);
  // both sweeps, from the right-hand side rhs(i) of each row i
  template <class Rhs>
  void sweeps(Rhs rhs, double* z);
  template <class Rhs>
  void sweeps_shared(Rhs rhs, double* z);

  const IccgSystem& s_;
  Team team_;
  // the product and the passes over rows follow one pace, the sweeps another
  Pace rows_pace_, sweep_pace_;
  std::unique_ptr<Counter[]> done_;  // per member: levels of the current solve z = M^-1 r finished
};

}  // namespace potsolve
