// Splitting the assembled rows into the solver's layout: lower terms with their
// values, a 32-bit copy of the diagonal, and the column lists of the upper terms.
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

void split_triangles(std::int32_t n, ModelStore& m, IccgStore& s) {
  std::int32_t* irow = m.irow.data();
  std::int32_t* jcol = m.jcol.data();
  double* amat = m.amat.data();
  s.nhalf = (irow[n] + n) / 2;
  s.iup[0] = 0;
  std::int32_t nl = 0, nu = 0, start = 1;
  // Row by row: lower terms move down in place, upper columns go to staging.
  for (std::int32_t k = 1; k <= n; ++k) {
    const std::int32_t e = irow[k];
    // Sort each term of row k into diagonal, lower or upper.
    for (std::int32_t pos = start; pos <= e; ++pos) {
      const std::int32_t c = jcol[pos];
      const double a = amat[pos];
      if (c == k) {
        s.diag[k] = static_cast<float>(a);
      } else if (c < k) {
        ++nl;  // nl <= pos: never overwrites a term still to be read
        amat[nl] = a;
        jcol[nl] = c;
      } else {
        ++nu;
        s.itrans[nu] = c;
      }
    }
    s.iup[k] = nu;
    irow[k] = nl;
    start = e + 1;
  }
  // Staged upper columns to their final place behind nhalf.
  for (std::int32_t u = 1; u <= nu; ++u) {
    jcol[s.nhalf + u] = s.itrans[u];
    s.itrans[u] = 0;
  }
}

}  // namespace potsolve
