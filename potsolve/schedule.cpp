// Planning a solve's work for its threads: row ranges for the product and the
// vector passes, levels for the two triangular sweeps, and the order of the
// rows within each.
#include "potsolve/schedule.h"

#include <algorithm>
#include <atomic>

#include "potsolve/iccg.h"
#include "potsolve/threads.h"

namespace potsolve {

namespace {

// A sweep over rows whose terms are col[ptr[i-1]+1 .. ptr[i]] (1-based),
// reading the values of the rows in col. Rows are taken in ascending order
// (the forward sweep, columns below the row) or descending (the backward
// sweep, columns above it).
struct Triangle {
  std::int32_t n;
  const std::int32_t *ptr, *col;
  bool descending;
};

// Fewer rows per level and member than this: the level goes to member 0 whole.
constexpr std::int32_t min_rows_per_share = 48;
// Fewer rows per level on average than this: the sweep keeps the rows' order.
constexpr std::int32_t min_rows_per_level = 8;

// The `count` rows at `rows` in ascending order of their term counts terms(i),
// which lie below `bound`; rows of one count keep their given order.
template <class Terms>
std::vector<std::int32_t> by_terms(const std::int32_t* rows, std::int32_t count, std::int32_t bound, Terms terms) {
  std::vector<std::int32_t> start(static_cast<std::size_t>(bound) + 1, 0), out(static_cast<std::size_t>(count));
  for (std::int32_t q = 0; q < count; ++q) ++start[terms(rows[q]) + 1];
  for (std::int32_t c = 0; c < bound; ++c) start[c + 1] += start[c];
  for (std::int32_t q = 0; q < count; ++q) out[start[terms(rows[q])]++] = rows[q];
  return out;
}

// Row i at the end of a share: its columns in the row's own order, padded
// with column 0 to a multiple of block.
void append_row(const Triangle& tri, std::int32_t i, std::int32_t block, SweepShare& s) {
  s.row.push_back(i);
  s.col.insert(s.col.end(), tri.col + tri.ptr[i - 1] + 1, tri.col + tri.ptr[i] + 1);
  while (s.col.size() % static_cast<std::size_t>(block) != 0) s.col.push_back(0);
  s.ptr.push_back(static_cast<std::int32_t>(s.col.size()));
}

// The order of a sweep's rows, its shares and their waits; the values come later.
Sweep sweep_order(const Triangle& tri, int members) {
  Sweep sw;
  const std::int32_t n = tri.n;
  std::vector<std::int32_t> level(static_cast<std::size_t>(n) + 1, 0);
  std::int32_t longest = 0;
  const auto terms = [&tri](std::int32_t i) { return tri.ptr[i] - tri.ptr[i - 1]; };
  // a row's level: one above the highest level it reads
  for (std::int32_t k = 1; k <= n; ++k) {
    const std::int32_t i = tri.descending ? n + 1 - k : k;
    std::int32_t l = 0;
    for (std::int32_t p = tri.ptr[i - 1] + 1; p <= tri.ptr[i]; ++p) l = std::max(l, level[tri.col[p]] + 1);
    level[i] = l;
    sw.levels = std::max(sw.levels, l + 1);
    longest = std::max(longest, terms(i));
  }
  // Levels of a few rows each (a numbering that follows the mesh) leave the
  // processor nothing to overlap and only scatter the row order: the sweep then
  // takes its rows in order, one member, as one level. Otherwise the rows of
  // each level by their term counts.
  const bool in_order = static_cast<std::int64_t>(sw.levels) * min_rows_per_level > n;
  std::vector<std::int32_t> start, rows(static_cast<std::size_t>(n));
  if (in_order) {
    sw.levels = 1;
    sw.block = in_order_block;
    start = {0, n};
    for (std::int32_t k = 1; k <= n; ++k) rows[k - 1] = tri.descending ? n + 1 - k : k;
  } else {
    start.assign(static_cast<std::size_t>(sw.levels) + 1, 0);
    for (std::int32_t i = 1; i <= n; ++i) ++start[level[i] + 1];
    for (std::int32_t l = 0; l < sw.levels; ++l) start[l + 1] += start[l];
    std::vector<std::int32_t> fill(start.begin(), start.end() - 1);
    for (std::int32_t i = 1; i <= n; ++i) rows[fill[level[i]]++] = i;
    for (std::int32_t l = 0; l < sw.levels; ++l) {
      const std::vector<std::int32_t> sorted =
          by_terms(rows.data() + start[l], start[l + 1] - start[l], longest + 1, terms);
      std::copy(sorted.begin(), sorted.end(), rows.begin() + start[l]);
    }
  }
  // Levels too small to divide go to member 0 whole; with too few rows in
  // divided levels the sweep is not shared: one member works the shares.
  const std::int32_t divided_min = min_rows_per_share * members;
  std::int64_t divided = 0;
  for (std::int32_t l = 0; l < sw.levels; ++l)
    if (start[l + 1] - start[l] >= divided_min) divided += start[l + 1] - start[l];
  sw.shared = !in_order && members >= 2 && n >= shared_min_rows && divided * 4 >= n;
  if (!sw.shared) members = 1;

  // each level cut into one run of rows per member, of about equal terms
  std::vector<std::int32_t> owner(static_cast<std::size_t>(n) + 1, 0);
  std::vector<std::int64_t> rows_of(static_cast<std::size_t>(members), 0), terms_of(rows_of);
  for (std::int32_t l = 0; l < sw.levels; ++l) {
    const std::int32_t a = start[l], b = start[l + 1];
    const int cut = b - a >= divided_min ? members : 1;
    std::int64_t total = 0;
    for (std::int32_t q = a; q < b; ++q) total += terms(rows[q]) + 2;
    std::int64_t sum = 0;
    for (std::int32_t q = a; q < b; ++q) {
      const std::int32_t i = rows[q];
      const int t = static_cast<int>(std::min<std::int64_t>(cut - 1, sum * cut / total));
      sum += terms(i) + 2;
      owner[i] = t;
      ++rows_of[t];
      terms_of[t] += terms(i);
    }
  }
  sw.shares.resize(static_cast<std::size_t>(members));
  for (int t = 0; t < members; ++t) {
    SweepShare& s = sw.shares[static_cast<std::size_t>(t)];
    const auto nrows = static_cast<std::size_t>(rows_of[t]), nterms = static_cast<std::size_t>(terms_of[t]);
    s.level_end.reserve(static_cast<std::size_t>(sw.levels));
    s.need.assign(static_cast<std::size_t>(sw.levels) * members, 0);
    s.row.reserve(nrows);
    s.ptr.reserve(nrows + 1);
    s.col.reserve(nterms + static_cast<std::size_t>(sw.block - 1) * nrows);
    s.ptr.push_back(0);
  }
  for (std::int32_t l = 0; l < sw.levels; ++l) {
    for (std::int32_t q = start[l]; q < start[l + 1]; ++q) {
      const std::int32_t i = rows[q];
      const int t = owner[i];
      SweepShare& s = sw.shares[static_cast<std::size_t>(t)];
      append_row(tri, i, sw.block, s);
      // the levels it waits for
      for (std::int32_t p = tri.ptr[i - 1] + 1; p <= tri.ptr[i]; ++p) {
        const std::int32_t c = tri.col[p];
        std::int32_t& need = s.need[static_cast<std::size_t>(l) * members + owner[c]];
        if (owner[c] != t) need = std::max(need, level[c] + 1);
      }
    }
    for (SweepShare& s : sw.shares) s.level_end.push_back(static_cast<std::int32_t>(s.row.size()));
  }
  return sw;
}

// Member t's rows of the product by their term counts, with a copy of their
// terms in that order.
ProductShare plan_product(const SplitMatrix& a, std::int32_t first, std::int32_t last) {
  ProductShare s;
  const std::int32_t count = last - first + 1;
  std::vector<std::int32_t> range(static_cast<std::size_t>(count));
  std::int32_t longest = 0;
  std::int64_t nterms = 0;
  const auto terms = [&a](std::int32_t i) { return a.lowptr[i] - a.lowptr[i - 1] + a.upptr[i] - a.upptr[i - 1]; };
  for (std::int32_t q = 0; q < count; ++q) {
    range[q] = first + q;
    longest = std::max(longest, terms(first + q));
    nterms += terms(first + q);
  }
  s.row = by_terms(range.data(), count, longest + 1, terms);
  s.diag.reserve(static_cast<std::size_t>(count));
  s.ptr.reserve(static_cast<std::size_t>(count) + 1);
  s.col.reserve(static_cast<std::size_t>(nterms));
  s.val.reserve(static_cast<std::size_t>(nterms));
  s.ptr.push_back(0);
  for (const std::int32_t i : s.row) {
    s.diag.push_back(a.diag[i]);
    for (std::int32_t p = a.lowptr[i - 1] + 1; p <= a.lowptr[i]; ++p) {
      s.col.push_back(a.lowcol[p]);
      s.val.push_back(a.lowval[p]);
    }
    for (std::int32_t u = a.upptr[i - 1] + 1; u <= a.upptr[i]; ++u) {
      s.col.push_back(a.upcol[u]);
      s.val.push_back(a.upval[u]);
    }
    s.ptr.push_back(static_cast<std::int32_t>(s.col.size()));
  }
  return s;
}

// The factor's values of a sweep's rows in the order of its shares: the terms
// fac[ptr[i-1]+1 .. ptr[i]] and the reciprocal pivot of each row i; padding
// terms are +0.
void fill_values(Sweep& sw, const std::int32_t* ptr, const double* fac, const double* rdiag) {
  for (SweepShare& s : sw.shares) {
    s.val.assign(s.col.size(), 0.0);
    s.rd.resize(s.row.size());
    for (std::size_t k = 0; k < s.row.size(); ++k) {
      const std::int32_t i = s.row[k];
      s.rd[k] = rdiag[i];
      std::copy(fac + ptr[i - 1] + 1, fac + ptr[i] + 1, s.val.begin() + s.ptr[k]);
    }
  }
}

}  // namespace

Schedule plan_orders(const SplitMatrix& a, int threads, const std::function<void()>& beside) {
  Schedule plan;
  const std::int32_t n = a.n;
  plan.members = n >= shared_min_rows ? std::max(1, threads) : 1;
  // rows of about equal numbers of terms
  plan.bounds = split_rows(n, plan.members, [&a](std::int32_t i) {
    return static_cast<std::int64_t>(a.lowptr[i]) + a.upptr[i] + 2 * static_cast<std::int64_t>(i);
  });
  plan.product.resize(static_cast<std::size_t>(plan.members));
  // The tasks, each thread taking the next one not yet taken: beside() first,
  // then every member's product, then the forward and the backward sweep.
  const int members = plan.members, tasks = members + 3;
  std::atomic<int> next{0};
  Team team(std::max(1, std::min(threads, tasks)));
  team.run([&](int) {
    for (int k; (k = next.fetch_add(1, std::memory_order_relaxed)) < tasks;) {
      if (k == 0) {
        if (beside) beside();
      } else if (k <= members) {
        plan.product[static_cast<std::size_t>(k - 1)] = plan_product(a, plan.bounds[k - 1] + 1, plan.bounds[k]);
      } else if (k == members + 1) {
        plan.forward = sweep_order({n, a.lowptr.data(), a.lowcol.data(), false}, members);
      } else {
        plan.backward = sweep_order({n, a.upptr.data(), a.upcol.data(), true}, members);
      }
    }
  });
  return plan;
}

void plan_values(Schedule& plan, const SplitMatrix& a, const IcFactor& f) {
  // the two sweeps side by side
  Team team(std::min(plan.members, 2));
  team.run([&](int member) {
    for (int k = member; k < 2; k += team.size()) {
      if (k == 0) fill_values(plan.forward, a.lowptr.data(), f.lowfac.data(), f.rdiag.data());
      else fill_values(plan.backward, a.upptr.data(), f.upfac.data(), f.rdiag.data());
    }
  });
}

}  // namespace potsolve
