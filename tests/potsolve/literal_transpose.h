// The transpose map as a plain column-by-row sweep: for every column c and every
// row k >= 2, the row's cursor takes the term when it sits in column c. It costs
// n^2 cursor tests and is kept here as the reference for build_transpose_map.
// Also the preconditioner sweeps reading every upper factor through the map,
// the reference for the solve over the upper factor values.
#pragma once

#include <cstdint>
#include <vector>

#include "potsolve/iccg.h"

namespace reference {

// itrans(m): the lower position mirroring the m-th upper term.
inline std::vector<std::int32_t> literal_transpose_map(const potsolve::SplitMatrix& a) {
  const std::int32_t n = a.n;
  std::vector<std::int32_t> cursor(static_cast<std::size_t>(n) + 1, 0);
  std::vector<std::int32_t> itrans(static_cast<std::size_t>(a.nlow()) + 1, 0);
  // Each row's cursor at its first lower term.
  for (std::int32_t k = 2; k <= n; ++k) cursor[k] = a.lowptr[k - 1] + 1;
  std::int32_t m = 0;
  // Column by column, row by row: the terms in column-major order.
  for (std::int32_t c = 1; c <= n; ++c)
    for (std::int32_t k = 2; k <= n; ++k) {
      std::int32_t& cur = cursor[k];
      if (cur <= a.lowptr[k] && a.lowcol[cur] == c) {
        ++m;
        itrans[m] = cur;
        ++cur;
      }
    }
  return itrans;
}

// z = M^-1 r with every upper factor read as lowfac(mirror(u)).
inline void literal_precond(const potsolve::SplitMatrix& a, const potsolve::IcFactor& f,
                            const std::vector<double>& r, std::vector<double>& z) {
  // forward sweep over the lower rows
  for (std::int32_t i = 1; i <= a.n; ++i) {
    double t = r[i];
    for (std::int32_t p = a.lowptr[i - 1] + 1; p <= a.lowptr[i]; ++p) t = t - f.lowfac[p] * z[a.lowcol[p]];
    z[i] = t * f.rdiag[i];
  }
  // backward sweep over the upper rows
  for (std::int32_t i = a.n; i >= 1; --i) {
    double t = 0.0;
    for (std::int32_t u = a.upptr[i - 1] + 1; u <= a.upptr[i]; ++u)
      t = t + f.lowfac[a.mirror[u]] * z[a.upcol[u]];
    z[i] = z[i] - t * f.rdiag[i];
  }
}

}  // namespace reference
