// The product y = A x on the split layout. Per row: the 32-bit diagonal term,
// then the lower terms in position order, then the upper terms in upper order,
// each upper term with the value of its mirror lower term (upval).
#include "potsolve/iccg.h"

namespace potsolve {

void matvec_split(std::int32_t n, const ModelStore& m, const IccgStore& s,
                  const std::vector<double>& xv, std::vector<double>& yv) {
  const std::int32_t* irow = m.irow.data();
  const std::int32_t* iup = s.iup.data();
  const std::int32_t* lowcol = m.jcol.data();
  const std::int32_t* upcol = m.jcol.data() + s.nhalf;
  const double* lowval = m.amat.data();
  const double* upval = s.upval.data();
  const float* diag = s.diag.data();
  const double* x = xv.data();
  double* y = yv.data();
  // Row i of A times x.
  for (std::int32_t i = 1; i <= n; ++i) {
    double t = static_cast<double>(diag[i]) * x[i];
    // Lower terms of row i.
    for (std::int32_t p = irow[i - 1] + 1; p <= irow[i]; ++p) t = t + lowval[p] * x[lowcol[p]];
    // Upper terms of row i.
    for (std::int32_t u = iup[i - 1] + 1; u <= iup[i]; ++u) t = t + upval[u] * x[upcol[u]];
    y[i] = t;
  }
}

}  // namespace potsolve
