// The map from each upper term to its mirror lower term, and the contiguous
// copies of the upper values that the iteration reads through it.
#include "potsolve/iccg.h"

namespace potsolve {

// The m-th upper term (i, j) mirrors the lower term (j, i). Upper terms come
// row by row with ascending columns, so the rows i that reach row j arrive in
// ascending order: exactly the order of row j's lower terms. One cursor per row
// (kept in jcol(nlow+j), as the column sweep keeps it) walks them; every cursor
// ends behind its row, where the column sweep leaves it too.
void build_transpose_map(std::int32_t n, ModelStore& m, IccgStore& s) {
  const std::int32_t* irow = m.irow.data();
  std::int32_t* jcol = m.jcol.data();
  std::int32_t* cursor = jcol + s.nlow;
  const std::int32_t* upcol = jcol + s.nhalf;
  // Each row's cursor at its first lower term.
  for (std::int32_t k = 2; k <= n; ++k) cursor[k] = irow[k - 1] + 1;
  // Each upper term takes the next lower term of the row of its column.
  const std::int32_t nup = s.iup[n];
  for (std::int32_t u = 1; u <= nup; ++u) s.itrans[u] = cursor[upcol[u]]++;
}

void copy_upper_values(const ModelStore& m, IccgStore& s) {
  const double* amat = m.amat.data();
  const std::int32_t nup = s.nlow;
  // Matrix and factor value of each upper term, in upper-term order.
  for (std::int32_t u = 1; u <= nup; ++u) {
    s.upval[u] = amat[s.itrans[u]];
    s.upfac[u] = amat[s.nhalf + s.itrans[u]];
  }
}

}  // namespace potsolve
