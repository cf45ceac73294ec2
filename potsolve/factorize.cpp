// Incomplete Cholesky factorization without fill: the factor keeps exactly the
// pattern of the lower triangle. M = (D + L) D^-1 (D + L)^T.
#include <cmath>
#include <vector>

#include "potsolve/iccg.h"

namespace potsolve {

IcFactor factorize_ic(const SplitMatrix& a) {
  const std::int32_t n = a.n;
  const std::int32_t* ptr = a.lowptr.data();
  const std::int32_t* col = a.lowcol.data();
  IcFactor f;
  f.rdiag.assign(static_cast<std::size_t>(n) + 1, 0.0);
  f.lowfac.assign(a.lowval.size(), 0.0);
  double* sfac = f.lowfac.data();
  double* rdiag = f.rdiag.data();
  // at[t]: the position of column t among row k's lower terms, 0 when absent
  std::vector<std::int32_t> at(static_cast<std::size_t>(n) + 1, 0);
  std::int32_t pos = 1;  // the next lower term to process
  // Row by row: factor values of the lower terms, then the pivot.
  for (std::int32_t k = 1; k <= n; ++k) {
    const std::int32_t first = ptr[k - 1] + 1;
    // open the row: where each of its columns sits
    for (std::int32_t p = first; p <= ptr[k]; ++p) at[col[p]] = p;
    // Each lower term (k, c): subtract the products over the common columns
    // t < c, ascending, as a merge of rows k and c meets them.
    for (; pos <= ptr[k]; ++pos) {
      const std::int32_t c = col[pos];
      double v = a.lowval[pos];
      // Row c's lower columns, each one that row k holds too.
      for (std::int32_t j = ptr[c - 1] + 1; j <= ptr[c]; ++j) {
        const std::int32_t i = at[col[j]];
        if (i != 0) v = v - sfac[i] * sfac[j] * rdiag[col[j]];
      }
      sfac[pos] = v;
    }
    // close the row
    for (std::int32_t p = first; p <= ptr[k]; ++p) at[col[p]] = 0;
    if (pos != ptr[k] + 1) ++f.row_faults;
    double d = static_cast<double>(a.diag[k]);
    // Pivot: the diagonal less rd(c) S(p)^2 over the row's lower terms.
    for (std::int32_t p = first; p <= ptr[k]; ++p) d = d - rdiag[col[p]] * (sfac[p] * sfac[p]);
    if (std::fabs(d) <= pivmin) d = pivmin;
    rdiag[k] = 1.0 / d;
  }
  // The factor value of each upper term's mirror, in upper order.
  f.upfac.assign(a.mirror.size(), 0.0);
  for (std::size_t u = 1; u < a.mirror.size(); ++u) f.upfac[u] = sfac[a.mirror[u]];
  return f;
}

}  // namespace potsolve
