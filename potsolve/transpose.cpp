// The map from each upper term to its mirror lower term, and the upper values
// taken through it.
#include <algorithm>

#include "potsolve/iccg.h"
#include "potsolve/threads.h"

namespace potsolve {

// The u-th upper term (i, j) mirrors the lower term (j, i). Upper terms come
// row by row with ascending columns, so the rows i that reach row j arrive in
// ascending order: exactly the order of row j's lower terms. One cursor per row
// walks them. A member taking the rows from `first` on starts each cursor at
// the first lower term whose column is `first` or more: the terms before it
// mirror the rows of the members before.
void build_transpose_map(SplitMatrix& a, int threads) {
  const std::int32_t n = a.n;
  const std::int32_t nup = a.upptr[n];
  a.mirror.assign(static_cast<std::size_t>(nup) + 1, 0);
  a.upval.assign(static_cast<std::size_t>(nup) + 1, 0.0);
  const int members = n >= shared_min_rows ? std::max(1, threads) : 1;
  // the members' rows, of about equal numbers of upper terms
  const std::vector<std::int32_t> rows =
      split_rows(n, members, [&a](std::int32_t i) { return static_cast<std::int64_t>(a.upptr[i]) + i; });
  const std::int32_t* lowcol = a.lowcol.data();
  Team team(members);
  team.run([&](int t) {
    const std::int32_t first = rows[t] + 1;
    std::vector<std::int32_t> cursor(static_cast<std::size_t>(n) + 1, 0);
    // The cursors of the rows the member's upper terms reach (columns above first).
    for (std::int32_t k = first + 1; k <= n; ++k)
      cursor[k] = static_cast<std::int32_t>(
          std::lower_bound(lowcol + a.lowptr[k - 1] + 1, lowcol + a.lowptr[k] + 1, first) - lowcol);
    // Each upper term takes the next lower term of the row of its column.
    for (std::int32_t u = a.upptr[first - 1] + 1; u <= a.upptr[rows[t + 1]]; ++u) {
      const std::int32_t p = cursor[a.upcol[u]]++;
      a.mirror[u] = p;
      a.upval[u] = a.lowval[p];
    }
  });
}

}  // namespace potsolve
