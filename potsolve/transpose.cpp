// The map from each upper term to its mirror lower term, and the upper values
// taken through it.
#include "potsolve/iccg.h"

namespace potsolve {

// The u-th upper term (i, j) mirrors the lower term (j, i). Upper terms come
// row by row with ascending columns, so the rows i that reach row j arrive in
// ascending order: exactly the order of row j's lower terms. One cursor per row
// walks them.
void build_transpose_map(SplitMatrix& a) {
  const std::int32_t n = a.n;
  const std::int32_t nup = a.upptr[n];
  std::vector<std::int32_t> cursor(static_cast<std::size_t>(n) + 1, 0);
  // Each row's cursor at its first lower term.
  for (std::int32_t k = 1; k <= n; ++k) cursor[k] = a.lowptr[k - 1] + 1;
  a.mirror.assign(static_cast<std::size_t>(nup) + 1, 0);
  a.upval.assign(static_cast<std::size_t>(nup) + 1, 0.0);
  // Each upper term takes the next lower term of the row of its column.
  for (std::int32_t u = 1; u <= nup; ++u) {
    const std::int32_t p = cursor[a.upcol[u]]++;
    a.mirror[u] = p;
    a.upval[u] = a.lowval[p];
  }
}

}  // namespace potsolve
