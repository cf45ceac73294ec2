// Splitting the assembled rows into the solver's own matrix: the lower rows with
// their values, a 32-bit copy of the diagonal, and the columns of the upper rows.
#include <vector>

#include "potsolve/iccg.h"

namespace potsolve {

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
