// The transpose map as a plain column-by-row sweep: for every column c and every
// row k >= 2, the row's cursor takes the term when it sits in column c. It costs
// n^2 cursor tests and is kept here as the reference for build_transpose_map.
// Also the preconditioner sweeps reading every upper factor through itrans, the
// reference for the solve over the contiguous upper copies.
#pragma once

#include <cstdint>
#include <vector>

#include "potsolve/iccg.h"
#include "potsolve/model.h"

namespace reference {

inline void literal_transpose_map(std::int32_t n, std::int32_t nlow,
                                  const std::vector<std::int32_t>& irow,
                                  std::vector<std::int32_t>& jcol,
                                  std::vector<std::int32_t>& itrans) {
  // Each row's cursor at its first lower term, kept in jcol(nlow+k).
  if (n >= 2)
    for (std::int32_t k = 2; k <= n; ++k) jcol[nlow + k] = irow[k - 1] + 1;
  std::int32_t m = 0;
  // Column by column, row by row: the terms in column-major order.
  for (std::int32_t c = 1; c <= n; ++c)
    for (std::int32_t k = 2; k <= n; ++k) {
      std::int32_t& cur = jcol[nlow + k];
      if (cur <= irow[k] && jcol[cur] == c) {
        ++m;
        itrans[m] = cur;
        ++cur;
      }
    }
}

// z = M^-1 r with every upper factor read as amat(nhalf + itrans(m)).
inline void literal_precond(std::int32_t n, const potsolve::ModelStore& m, const potsolve::IccgStore& s,
                            const std::vector<double>& r, std::vector<double>& z) {
  // forward sweep over the lower rows
  for (std::int32_t i = 1; i <= n; ++i) {
    double t = r[i];
    for (std::int32_t p = m.irow[i - 1] + 1; p <= m.irow[i]; ++p) t = t - m.amat[s.nhalf + p] * z[m.jcol[p]];
    z[i] = t * m.amat[s.nlow + i];
  }
  // backward sweep over the upper columns
  for (std::int32_t i = n; i >= 1; --i) {
    double t = 0.0;
    for (std::int32_t u = s.iup[i - 1] + 1; u <= s.iup[i]; ++u)
      t = t + m.amat[s.nhalf + s.itrans[u]] * z[m.jcol[s.nhalf + u]];
    z[i] = z[i] - t * m.amat[s.nlow + i];
  }
}

}  // namespace reference
