#include "leadfield/block_iccg.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "leadfield/error.h"
#include "potsolve/iccg.h"

namespace leadfield {

namespace {

// The incomplete factor of potsolve's kind, from the reduced matrix in the
// solver's 1-based rows.
potsolve::IccgSystem incomplete_factor(const ReducedSystem& s) {
  potsolve::ModelStore m;
  m.irow.assign(static_cast<std::size_t>(s.n) + 1, 0);
  m.jcol.assign(1, 0);
  m.amat.assign(1, 0.0);
  for (std::int32_t r = 0; r < s.n; ++r) {
    for (std::int64_t p = s.ptr[r]; p < s.ptr[r + 1]; ++p) {
      m.jcol.push_back(s.col[p] + 1);
      m.amat.push_back(s.val[p]);
    }
    m.irow[r + 1] = static_cast<std::int32_t>(m.jcol.size() - 1);
  }
  return potsolve::prepare_iccg(m, s.n);
}

// z = M^-1 r for nb interleaved columns (row i's values at [i*nb ..]).
void precondition(const potsolve::IccgSystem& sys, const double* r, double* z, int nb) {
  const potsolve::SplitMatrix& a = sys.a;
  const potsolve::IcFactor& f = sys.f;
  // forward sweep with (D + L), scaled by D^-1
  for (std::int32_t i = 1; i <= a.n; ++i) {
    double* zi = z + static_cast<std::size_t>(i - 1) * nb;
    const double* ri = r + static_cast<std::size_t>(i - 1) * nb;
    std::copy(ri, ri + nb, zi);
    for (std::int32_t p = a.lowptr[i - 1] + 1; p <= a.lowptr[i]; ++p) {
      const double v = f.lowfac[p];
      const double* zc = z + static_cast<std::size_t>(a.lowcol[p] - 1) * nb;
      for (int c = 0; c < nb; ++c) zi[c] -= v * zc[c];
    }
    for (int c = 0; c < nb; ++c) zi[c] *= f.rdiag[i];
  }
  // backward sweep with (D + L^T), last row first
  std::vector<double> t(static_cast<std::size_t>(nb));
  for (std::int32_t i = a.n; i >= 1; --i) {
    std::fill(t.begin(), t.end(), 0.0);
    for (std::int32_t u = a.upptr[i - 1] + 1; u <= a.upptr[i]; ++u) {
      const double v = f.upfac[u];
      const double* zc = z + static_cast<std::size_t>(a.upcol[u] - 1) * nb;
      for (int c = 0; c < nb; ++c) t[c] += v * zc[c];
    }
    double* zi = z + static_cast<std::size_t>(i - 1) * nb;
    for (int c = 0; c < nb; ++c) zi[c] -= t[c] * f.rdiag[i];
  }
}

// The column sums of u*v over the rows, for nb interleaved columns.
void column_dots(const std::vector<double>& u, const std::vector<double>& v, int nb, std::vector<double>& out) {
  std::fill(out.begin(), out.end(), 0.0);
  for (std::size_t k = 0; k < u.size(); ++k) out[k % nb] += u[k] * v[k];
}

}  // namespace

double solve_iccg(const ReducedSystem& s, const double* b, double* x, int ncols, int nb,
                  const std::function<void(int columns)>& done) {
  const potsolve::IccgSystem sys = incomplete_factor(s);
  const std::size_t n = static_cast<std::size_t>(s.n);
  double worst = 0.0;
  // block by block of columns
  for (int c0 = 0; c0 < ncols; c0 += nb) {
    const int w = std::min(nb, ncols - c0);
    const std::size_t len = n * static_cast<std::size_t>(w);
    std::vector<double> bb(len), xx(len, 0.0), r(len), z(len), p(len), q(len);
    for (int c = 0; c < w; ++c)
      for (std::size_t i = 0; i < n; ++i) bb[i * w + c] = b[(c0 + c) * n + i];
    std::vector<double> bnorm(w), rho(w), pq(w), rr(w), rz(w);
    column_dots(bb, bb, w, bnorm);
    for (double& v : bnorm) v = std::sqrt(v);
    r = bb;
    precondition(sys, r.data(), z.data(), w);
    p = z;
    column_dots(r, z, w, rho);
    std::vector<bool> active(w);
    for (int c = 0; c < w; ++c) active[c] = bnorm[c] > 0.0;
    // the iteration, every active column in the same sweep
    std::int32_t it = 0;
    for (; it < potsolve::maxit && std::count(active.begin(), active.end(), true) > 0; ++it) {
      multiply(s, p.data(), q.data(), w);
      column_dots(p, q, w, pq);
      std::vector<double> alpha(w, 0.0);
      for (int c = 0; c < w; ++c)
        if (active[c]) alpha[c] = rho[c] / pq[c];
      for (std::size_t k = 0; k < len; ++k) {
        xx[k] += alpha[k % w] * p[k];
        r[k] -= alpha[k % w] * q[k];
      }
      column_dots(r, r, w, rr);
      for (int c = 0; c < w; ++c)
        if (active[c] && std::sqrt(rr[c]) < iccg_tolerance * bnorm[c]) active[c] = false;
      precondition(sys, r.data(), z.data(), w);
      column_dots(r, z, w, rz);
      for (std::size_t k = 0; k < len; ++k) {
        const int c = static_cast<int>(k % w);
        if (active[c]) p[k] = z[k] + rz[c] / rho[c] * p[k];
      }
      for (int c = 0; c < w; ++c) rho[c] = rz[c];
    }
    if (std::count(active.begin(), active.end(), true) > 0)
      throw Error("the ICCG iteration did not converge in " + std::to_string(potsolve::maxit) +
                  " iterations (right-hand side " + std::to_string(c0 + 1) + " onwards)");
    // the true residuals
    multiply(s, xx.data(), q.data(), w);
    std::vector<double> res(len);
    for (std::size_t k = 0; k < len; ++k) res[k] = bb[k] - q[k];
    column_dots(res, res, w, rr);
    for (int c = 0; c < w; ++c)
      if (bnorm[c] > 0.0) worst = std::max(worst, std::sqrt(rr[c]) / bnorm[c]);
    for (int c = 0; c < w; ++c)
      for (std::size_t i = 0; i < n; ++i) x[(c0 + c) * n + i] = xx[i * w + c];
    if (done) done(c0 + w);
  }
  return worst;
}

}  // namespace leadfield
