// The preconditioner solve z = M^-1 r: a forward sweep with (D + L), then a
// backward sweep with (D + L^T), whose factor values are read in upper order
// from the contiguous copy upfac.
#include "potsolve/iccg.h"

namespace potsolve {

void precond_solve(std::int32_t n, const ModelStore& m, const IccgStore& s,
                   const std::vector<double>& rv, std::vector<double>& zv) {
  const std::int32_t* irow = m.irow.data();
  const std::int32_t* iup = s.iup.data();
  const std::int32_t* lowcol = m.jcol.data();
  const std::int32_t* upcol = m.jcol.data() + s.nhalf;
  const double* rdiag = m.amat.data() + s.nlow;
  const double* sfac = m.amat.data() + s.nhalf;
  const double* upfac = s.upfac.data();
  const double* r = rv.data();
  double* z = zv.data();
  // Forward sweep: (D + L) w = r, w scaled by D^-1 into z.
  for (std::int32_t i = 1; i <= n; ++i) {
    double t = r[i];
    // Lower terms of row i against the values already found.
    for (std::int32_t p = irow[i - 1] + 1; p <= irow[i]; ++p) t = t - sfac[p] * z[lowcol[p]];
    z[i] = t * rdiag[i];
  }
  // Backward sweep: (D + L^T) z = D w, last row first.
  for (std::int32_t i = n; i >= 1; --i) {
    double t = 0.0;
    // Upper terms of row i against the values already found.
    for (std::int32_t u = iup[i - 1] + 1; u <= iup[i]; ++u) t = t + upfac[u] * z[upcol[u]];
    z[i] = z[i] - t * rdiag[i];
  }
}

}  // namespace potsolve
