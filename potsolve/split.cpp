// Splitting the assembled rows into the solver's own matrix: the lower rows with
// their values, a 32-bit copy of the diagonal, and the columns of the upper rows.
#include <vector>

#include "potsolve/iccg.h"

namespace potsolve {

std::int32_t check_pattern(std::int32_t n, const ModelStore& m) {
  if (n < 1 || m.irow.size() < static_cast<std::size_t>(n) + 1 || m.irow[0] != 0) return 1;
  // Row pointers ascend and stay inside jcol and amat.
  for (std::int32_t k = 1; k <= n; ++k)
    if (m.irow[k] < m.irow[k - 1]) return k;
  const std::size_t nnz = static_cast<std::size_t>(m.irow[n]);
  if (m.jcol.size() <= nnz || m.amat.size() <= nnz) return n;
  // Each row: columns in 1..n, strictly ascending, the diagonal among them.
  std::vector<std::int32_t> dpos(n + 1, 0);
  for (std::int32_t k = 1; k <= n; ++k) {
    std::int32_t prev = 0;
    for (std::int32_t p = m.irow[k - 1] + 1; p <= m.irow[k]; ++p) {
      const std::int32_t c = m.jcol[p];
      if (c <= prev || c > n) return k;
      if (c == k) dpos[k] = p;
      prev = c;
    }
    if (dpos[k] == 0) return k;
  }
  // Symmetry: the upper terms (i, j), taken row by row, meet the lower terms
  // (j, i) of row j in their stored order; cursor(j) walks row j's lower part.
  std::vector<std::int32_t> cursor(n + 1, 0);
  for (std::int32_t k = 1; k <= n; ++k) cursor[k] = m.irow[k - 1] + 1;
  for (std::int32_t i = 1; i <= n; ++i)
    for (std::int32_t p = dpos[i] + 1; p <= m.irow[i]; ++p) {
      const std::int32_t j = m.jcol[p];
      if (cursor[j] >= dpos[j] || m.jcol[cursor[j]] != i) return i;
      ++cursor[j];
    }
  // Every lower term was met by its mirror.
  for (std::int32_t k = 1; k <= n; ++k)
    if (cursor[k] != dpos[k]) return k;
  return 0;
}

SplitMatrix split_triangles(std::int32_t n, const ModelStore& m) {
  SplitMatrix a;
  a.n = n;
  const std::size_t rows = static_cast<std::size_t>(n) + 1;
  const std::size_t half = static_cast<std::size_t>((m.irow[n] - n) / 2) + 1;
  a.diag.assign(rows, 0.0f);
  a.lowptr.assign(rows, 0);
  a.upptr.assign(rows, 0);
  a.lowcol.reserve(half);
  a.lowval.reserve(half);
  a.upcol.reserve(half);
  a.lowcol.push_back(0);
  a.lowval.push_back(0.0);
  a.upcol.push_back(0);
  // Row by row: each term to the diagonal, the lower or the upper row.
  for (std::int32_t k = 1; k <= n; ++k) {
    // The terms of row k in position order.
    for (std::int32_t p = m.irow[k - 1] + 1; p <= m.irow[k]; ++p) {
      const std::int32_t c = m.jcol[p];
      if (c == k) {
        a.diag[k] = static_cast<float>(m.amat[p]);
      } else if (c < k) {
        a.lowcol.push_back(c);
        a.lowval.push_back(m.amat[p]);
      } else {
        a.upcol.push_back(c);
      }
    }
    a.lowptr[k] = static_cast<std::int32_t>(a.lowcol.size()) - 1;
    a.upptr[k] = static_cast<std::int32_t>(a.upcol.size()) - 1;
  }
  return a;
}

}  // namespace potsolve
