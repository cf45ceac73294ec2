// The preconditioner solve z = M^-1 r: a forward sweep with (D + L), then a
// backward sweep with (D + L^T) over the upper rows.
#include "potsolve/iccg.h"

namespace potsolve {

void precond_solve(const SplitMatrix& a, const IcFactor& f, const std::vector<double>& rv,
                   std::vector<double>& zv) {
  const std::int32_t n = a.n;
  const std::int32_t *lowptr = a.lowptr.data(), *lowcol = a.lowcol.data();
  const std::int32_t *upptr = a.upptr.data(), *upcol = a.upcol.data();
  const double *lowfac = f.lowfac.data(), *upfac = f.upfac.data(), *rdiag = f.rdiag.data();
  const double* r = rv.data();
  double* z = zv.data();
  // Forward sweep: (D + L) w = r, w scaled by D^-1 into z.
  for (std::int32_t i = 1; i <= n; ++i) {
    double t = r[i];
    // Lower terms of row i against the values already found.
    for (std::int32_t p = lowptr[i - 1] + 1; p <= lowptr[i]; ++p) t = t - lowfac[p] * z[lowcol[p]];
    z[i] = t * rdiag[i];
  }
  // Backward sweep: (D + L^T) z = D w, last row first.
  for (std::int32_t i = n; i >= 1; --i) {
    double t = 0.0;
    // Upper terms of row i against the values already found.
    for (std::int32_t u = upptr[i - 1] + 1; u <= upptr[i]; ++u) t = t + upfac[u] * z[upcol[u]];
    z[i] = z[i] - t * rdiag[i];
  }
}

}  // namespace potsolve
