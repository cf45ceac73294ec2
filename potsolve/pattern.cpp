#include "potsolve/pattern.h"

#include <algorithm>

#include "potsolve/threads.h"

namespace potsolve {

void build_pattern(const ModelStore& m, const CornerSlots& inc, std::int32_t n, std::vector<std::int32_t>& irow,
                   std::vector<std::int32_t>& jcol, int threads) {
  // the members' rows, of about equal numbers of element slots; each member
  // gathers its rows' columns apart, and they are joined in row order
  const int members = n >= shared_min_rows ? std::max(1, threads) : 1;
  const std::vector<std::int32_t> rows =
      split_rows(n, members, [&inc](std::int32_t i) { return 4 * static_cast<std::int64_t>(inc.ptr[i + 1]) + i; });
  std::vector<std::vector<std::int32_t>> part(static_cast<std::size_t>(members));
  std::vector<char> over(static_cast<std::size_t>(members), 0);
  irow.assign(static_cast<std::size_t>(n) + 1, 0);
  Team team(members);
  team.run([&](int t) {
    std::vector<std::int32_t> rowlist(static_cast<std::size_t>(n) + 1);  // 1-based, one row
    std::vector<std::int32_t> mark(static_cast<std::size_t>(n) + 1, 0);  // mark[j] = i: j is in row i
    std::vector<std::int32_t>& cols = part[t];
    const std::int32_t last = inc.ptr[rows[t + 1] + 1];  // the end of the member's slots
    // row i: i itself and the corners of every element holding i, sorted
    for (std::int32_t i = rows[t] + 1; i <= rows[t + 1]; ++i) {
      std::int32_t count = 1;
      rowlist[1] = i;
      mark[i] = i;
      // gather the corners not yet in the row
      for (std::int32_t p = inc.ptr[i]; p < inc.ptr[i + 1]; ++p) {
        // the corners of the element a few slots ahead, asked for now
        if (p + slots_ahead < last)
          __builtin_prefetch(&m.ielem[4 * static_cast<std::size_t>(inc.slot[p + slots_ahead] >> 2)]);
        const std::int32_t e = inc.slot[p] >> 2;
        for (int k = 0; k < 4; ++k) {
          const std::int32_t v = m.ielem[4 * e + k];
          if (mark[v] != i) {
            mark[v] = i;
            rowlist[++count] = v;
          }
        }
      }
      if (static_cast<std::int64_t>(cols.size()) + count > maxnz) {
        over[t] = 1;
        return;
      }
      std::sort(rowlist.begin() + 1, rowlist.begin() + 1 + count);
      cols.insert(cols.end(), rowlist.begin() + 1, rowlist.begin() + 1 + count);
      irow[i] = static_cast<std::int32_t>(cols.size());
    }
  });
  // the parts one after the other
  std::int64_t nnz = 0;
  for (int t = 0; t < members; ++t) {
    const std::vector<std::int32_t>& cols = part[t];
    if (over[t] || nnz + static_cast<std::int64_t>(cols.size()) > maxnz) throw TooManyTerms{maxnz + 1, maxnz};
    for (std::int32_t i = rows[t] + 1; i <= rows[t + 1]; ++i) irow[i] += static_cast<std::int32_t>(nnz);
    nnz += static_cast<std::int64_t>(cols.size());
  }
  jcol.assign(1, 0);
  jcol.reserve(static_cast<std::size_t>(nnz) + 1);
  for (const std::vector<std::int32_t>& cols : part) jcol.insert(jcol.end(), cols.begin(), cols.end());
}

void build_pattern(const ModelStore& m, std::int32_t n, std::int32_t ne, std::vector<std::int32_t>& irow,
                   std::vector<std::int32_t>& jcol, int threads) {
  build_pattern(m, corner_slots(m, n, ne, threads), n, irow, jcol, threads);
}

CacheRead search_pattern(ModelStore& m, const CornerSlots& inc, std::int32_t n, const std::string& cache_path,
                         int threads) {
  const CacheRead cache = read_pattern_cache(cache_path, n, m.irow, m.jcol);
  if (cache != CacheRead::read) {
    build_pattern(m, inc, n, m.irow, m.jcol, threads);
    write_pattern_cache(cache_path, n, m.irow, m.jcol);
  }
  m.amat.assign(m.jcol.size(), 0.0);
  return cache;
}

CacheRead search_pattern(ModelStore& m, std::int32_t n, std::int32_t ne, const std::string& cache_path,
                         int threads) {
  return search_pattern(m, corner_slots(m, n, ne, threads), n, cache_path, threads);
}

}  // namespace potsolve
