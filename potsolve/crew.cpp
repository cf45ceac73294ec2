#include "potsolve/crew.h"

namespace potsolve {

Crew::Crew(const IccgSystem& s) : s_(s), team_(s.plan.members), done_(new Counter[s.plan.members]) {}

bool Pace::start() {
  // each way once, then the faster one, the other one now and then
  bool alone = seen_[0] == 0 ? false : seen_[1] == 0 ? true : mean_[1] < mean_[0];
  if (++calls_ % 32 == 0) alone = !alone;
  alone_ = alone;
  start_ = std::chrono::steady_clock::now();
  return alone_;
}

void Pace::stop() {
  const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const int k = alone_ ? 1 : 0;
  mean_[k] = seen_[k]++ == 0 ? t : 0.75 * mean_[k] + 0.25 * t;
}

void Crew::rows(const std::function<void(std::int32_t, std::int32_t)>& pass) {
  const std::vector<std::int32_t>& b = s_.plan.bounds;
  if (members() == 1 || rows_pace_.alone()) return pass(1, s_.a.n);
  team_.run([&](int t) { pass(b[t] + 1, b[t + 1]); });
}

void Crew::beside(const std::function<void()>& alone,
                  const std::function<void(std::int32_t, std::int32_t)>& pass) {
  const int helpers = members() - 1;
  if (helpers == 0 || rows_pace_.alone()) {
    alone();
    return pass(1, s_.a.n);
  }
  const std::int32_t n = s_.a.n;
  team_.run([&](int t) {
    if (t == 0) return alone();
    // the helpers' even shares of all rows
    const std::int32_t first = static_cast<std::int32_t>(static_cast<std::int64_t>(n) * (t - 1) / helpers) + 1;
    const std::int32_t last = static_cast<std::int32_t>(static_cast<std::int64_t>(n) * t / helpers);
    pass(first, last);
  });
}

}  // namespace potsolve
