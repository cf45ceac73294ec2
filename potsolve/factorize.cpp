// Incomplete Cholesky factorization without fill: the factor keeps exactly the
// pattern of the lower triangle. M = (D + L) D^-1 (D + L)^T.
#include <cmath>

#include "potsolve/iccg.h"
#include "textio/console.h"

namespace potsolve {

void factorize_ic(std::int32_t n, ModelStore& m, IccgStore& s) {
  const std::int32_t* irow = m.irow.data();
  const std::int32_t* jcol = m.jcol.data();
  double* amat = m.amat.data();
  s.nlow = s.nhalf - n;
  double* sfac = amat + s.nhalf;   // sfac[p]: factor value of lower term p
  double* rdiag = amat + s.nlow;   // rdiag[k]: 1/d(k)
  std::int32_t pos = 1;            // the next lower term to process
  // Row by row: factor values of the lower terms, then the pivot.
  for (std::int32_t k = 1; k <= n; ++k) {
    const std::int32_t first = irow[k - 1] + 1;
    // Each lower term (k, c): subtract the products over the common columns t < c.
    for (; pos <= irow[k]; ++pos) {
      const std::int32_t c = jcol[pos];
      double v = amat[pos];
      std::int32_t i = first, j = irow[c - 1] + 1;
      const std::int32_t jend = irow[c];
      // Walk rows k and c together over their ascending lower columns.
      while (j <= jend) {
        const std::int32_t ci = jcol[i], cj = jcol[j];
        if (ci >= c || cj >= c) break;
        if (ci == cj) {
          v = v - sfac[i] * sfac[j] * rdiag[ci];
          ++i;
          ++j;
        } else if (ci < cj) {
          ++i;
        } else {
          ++j;
        }
      }
      sfac[pos] = v;
    }
    if (pos != irow[k] + 1) textio::console().record(textio::Record().text("ERROR IN UL MAKING"));
    double d = static_cast<double>(s.diag[k]);
    // Pivot: the diagonal less rd(c) S(p)^2 over the row's lower terms.
    for (std::int32_t p = first; p <= irow[k]; ++p) d = d - rdiag[jcol[p]] * (sfac[p] * sfac[p]);
    if (std::fabs(d) <= pivmin) d = pivmin;
    rdiag[k] = 1.0 / d;
  }
}

}  // namespace potsolve
