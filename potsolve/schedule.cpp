// Planning a solve's work for its threads: row ranges for the product and the
// vector passes, levels for the two triangular sweeps.
#include "potsolve/schedule.h"

#include <algorithm>

#include "potsolve/iccg.h"
#include "potsolve/threads.h"

namespace potsolve {

namespace {

// A sweep over rows whose terms are col/fac[ptr[i-1]+1 .. ptr[i]] (1-based),
// reading the values of the rows in col. Rows are taken in ascending order
// (the forward sweep, columns below the row) or descending (the backward
// sweep, columns above it).
struct Triangle {
  std::int32_t n;
  const std::int32_t *ptr, *col;
  const double *fac, *rdiag;
  bool descending;
};

// Fewer rows per level and member than this: the sweep stays serial.
constexpr std::int32_t min_rows_per_share = 48;

Sweep plan_sweep(const Triangle& tri, int members) {
  Sweep sw;
  const std::int32_t n = tri.n;
  std::vector<std::int32_t> level(static_cast<std::size_t>(n) + 1, 0);
  // a row's level: one above the highest level it reads
  for (std::int32_t k = 1; k <= n; ++k) {
    const std::int32_t i = tri.descending ? n + 1 - k : k;
    std::int32_t l = 0;
    for (std::int32_t p = tri.ptr[i - 1] + 1; p <= tri.ptr[i]; ++p) l = std::max(l, level[tri.col[p]] + 1);
    level[i] = l;
    sw.levels = std::max(sw.levels, l + 1);
  }
  // the rows of each level, ascending
  std::vector<std::int32_t> start(static_cast<std::size_t>(sw.levels) + 1, 0), rows(static_cast<std::size_t>(n));
  for (std::int32_t i = 1; i <= n; ++i) ++start[level[i] + 1];
  for (std::int32_t l = 0; l < sw.levels; ++l) start[l + 1] += start[l];
  // Levels too small to divide go to member 0 whole; with too few rows in
  // divided levels the sweep stays serial.
  const std::int32_t divided_min = min_rows_per_share * members;
  std::int64_t divided = 0;
  for (std::int32_t l = 0; l < sw.levels; ++l)
    if (start[l + 1] - start[l] >= divided_min) divided += start[l + 1] - start[l];
  if (members < 2 || n < shared_min_rows || divided * 4 < n) return sw;
  sw.shared = true;
  {
    std::vector<std::int32_t> fill(start.begin(), start.end() - 1);
    for (std::int32_t i = 1; i <= n; ++i) rows[fill[level[i]]++] = i;
  }

  // each level cut into one run of rows per member, of about equal terms
  std::vector<std::int32_t> owner(static_cast<std::size_t>(n) + 1, 0);
  sw.shares.resize(static_cast<std::size_t>(members));
  for (SweepShare& s : sw.shares) {
    s.level_end.reserve(static_cast<std::size_t>(sw.levels));
    s.need.assign(static_cast<std::size_t>(sw.levels) * members, 0);
    s.ptr.push_back(0);
  }
  for (std::int32_t l = 0; l < sw.levels; ++l) {
    const std::int32_t a = start[l], b = start[l + 1];
    const int cut = b - a >= divided_min ? members : 1;
    std::int64_t total = 0;
    for (std::int32_t q = a; q < b; ++q) total += tri.ptr[rows[q]] - tri.ptr[rows[q] - 1] + 2;
    std::int64_t sum = 0;
    for (std::int32_t q = a; q < b; ++q) {
      const std::int32_t i = rows[q];
      const int t = static_cast<int>(std::min<std::int64_t>(cut - 1, sum * cut / total));
      sum += tri.ptr[i] - tri.ptr[i - 1] + 2;
      owner[i] = t;
      SweepShare& s = sw.shares[static_cast<std::size_t>(t)];
      s.row.push_back(i);
      // the row's terms in its own order, and the levels it waits for
      for (std::int32_t p = tri.ptr[i - 1] + 1; p <= tri.ptr[i]; ++p) {
        const std::int32_t c = tri.col[p];
        s.col.push_back(c);
        s.val.push_back(tri.fac[p]);
        std::int32_t& need = s.need[static_cast<std::size_t>(l) * members + owner[c]];
        if (owner[c] != t) need = std::max(need, level[c] + 1);
      }
      s.ptr.push_back(static_cast<std::int32_t>(s.col.size()));
      s.rd.push_back(tri.rdiag[i]);
    }
    for (SweepShare& s : sw.shares) s.level_end.push_back(static_cast<std::int32_t>(s.row.size()));
  }
  return sw;
}

}  // namespace

Schedule plan_schedule(const SplitMatrix& a, const IcFactor& f, int threads) {
  Schedule plan;
  const std::int32_t n = a.n;
  plan.members = n >= shared_min_rows ? std::max(1, threads) : 1;
  // rows of about equal numbers of terms
  plan.bounds = split_rows(n, plan.members, [&a](std::int32_t i) {
    return static_cast<std::int64_t>(a.lowptr[i]) + a.upptr[i] + 2 * static_cast<std::int64_t>(i);
  });
  if (plan.members < 2) return plan;
  plan.forward = plan_sweep({n, a.lowptr.data(), a.lowcol.data(), f.lowfac.data(), f.rdiag.data(), false},
                            plan.members);
  plan.backward = plan_sweep({n, a.upptr.data(), a.upcol.data(), f.upfac.data(), f.rdiag.data(), true},
                             plan.members);
  return plan;
}

}  // namespace potsolve
