// The ICCG solve: prepare the split matrix and the factor, then iterate with
// conjugate gradients preconditioned by the incomplete Cholesky factor. The
// true residual is tested every test_every iterations.
#include "potsolve/iccg.h"

#include "potsolve/pattern_cache.h"

#include <cmath>

namespace potsolve {

namespace {

// Sum of a(i) b(i), i = 1..n, in ascending order.
double dot(std::int32_t n, const std::vector<double>& a, const std::vector<double>& b) {
  double sum = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) sum = sum + a[i] * b[i];
  return sum;
}

}  // namespace

IccgSystem prepare_iccg(const ModelStore& m, std::int32_t n) {
  // the assembled storage: a pattern the split can work on, with a value per term
  if (const std::int32_t bad = pattern_fault(n, m.irow, m.jcol); bad != 0) throw UnfitPattern{bad};
  if (m.amat.size() <= static_cast<std::size_t>(m.irow[n])) throw UnfitPattern{n};
  IccgSystem s;
  s.a = split_triangles(n, m);
  build_transpose_map(s.a);
  s.f = factorize_ic(s.a);
  return s;
}

PcgResult pcg_iterate(const IccgSystem& s, const std::vector<double>& rhs, std::vector<double>& pot,
                      std::vector<double>& res, const PcgMonitor& monitor, std::int32_t itmax) {
  const std::int32_t n = s.a.n;
  const std::size_t len = static_cast<std::size_t>(n) + 1;
  std::vector<double> pdir(len, 0.0), zvec(len, 0.0), qvec(len, 0.0);
  PcgResult out;

  // Initial guess x = M^-1 b, and |b|.
  precond_solve(s.a, s.f, rhs, zvec);
  double bb = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    pot[i] = zvec[i];
    bb = bb + rhs[i] * rhs[i];
  }
  double bnorm = std::sqrt(bb);
  if (bnorm == 0.0) bnorm = static_cast<double>(n);

  // r = b - A x.
  matvec_split(s.a, pot, qvec);
  for (std::int32_t i = 1; i <= n; ++i) res[i] = rhs[i] - qvec[i];

  // z = M^-1 r, p = z, rho = r.z.
  precond_solve(s.a, s.f, res, zvec);
  double rho = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    pdir[i] = zvec[i];
    rho = rho + res[i] * zvec[i];
  }

  // One conjugate-gradient step per pass, a true-residual test every tenth.
  for (std::int32_t iter = 1; iter <= itmax; ++iter) {
    out.iterations = iter;
    const double pap = matvec_dot(s.a, pdir, qvec);
    // Breakdown (p.A.p = 0, e.g. r already 0): keep x and r as they are.
    if (pap != 0.0) {
      const double alpha = rho / pap;
      // x and r along p.
      for (std::int32_t i = 1; i <= n; ++i) {
        pot[i] = pot[i] + alpha * pdir[i];
        res[i] = res[i] - alpha * qvec[i];
      }
    }

    if (iter % test_every == 0) {
      // |b - A x|^2 from the recomputed product.
      const double ee = residual_squared(s.a, pot, rhs, qvec);
      out.residual = std::fabs(std::sqrt(ee) / bnorm);
      if (monitor) monitor(iter, out.residual);
      if (iccg_converged(out.residual)) {
        out.converged = true;
        return out;
      }
    }

    precond_solve(s.a, s.f, res, zvec);
    const double rhonew = dot(n, res, zvec);
    if (rho != 0.0) {
      const double beta = rhonew / rho;
      // p = z + beta p.
      for (std::int32_t i = 1; i <= n; ++i) pdir[i] = beta * pdir[i] + zvec[i];
    } else {
      // rho = 0: no previous direction to keep; restart from z.
      for (std::int32_t i = 1; i <= n; ++i) pdir[i] = zvec[i];
    }
    rho = rhonew;
  }
  return out;
}

PcgResult iccg_solve(ModelStore& m, std::int32_t n, const PcgMonitor& monitor) {
  const IccgSystem s = prepare_iccg(m, n);
  return pcg_iterate(s, m.rhs, m.pot, m.res, monitor);
}

}  // namespace potsolve
