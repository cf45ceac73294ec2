#include "iccg_peer.h"

#include <Eigen/Sparse>
#include <algorithm>
#include <cmath>
#include <vector>

#include "clock.h"

namespace bench {

double triad_bandwidth() {
  const std::size_t len = std::size_t{1} << 23;  // 64 MiB per array
  std::vector<double> a(len, 0.0), b(len, 1.0), c(len, 2.0);
  double best = 1e30;
  // a few passes, the fastest counts
  for (int rep = 0; rep < 8; ++rep) {
    const double s = 1.0 + rep * 1e-3;
    const double t = time_once([&] {
      double* __restrict pa = a.data();
      const double* __restrict pb = b.data();
      const double* __restrict pc = c.data();
      for (std::size_t i = 0; i < len; ++i) pa[i] = pb[i] + s * pc[i];
    });
    best = std::min(best, t);
  }
  volatile double sink = a[len / 2];
  (void)sink;
  return 3.0 * sizeof(double) * static_cast<double>(len) / best;
}

namespace {

using SpRow = Eigen::SparseMatrix<double, Eigen::RowMajor, int>;
using SpCol = Eigen::SparseMatrix<double, Eigen::ColMajor, int>;
using Vec = Eigen::VectorXd;

// The iteration of pcg_iterate written with Eigen's kernels: A*p, the
// triangular solves of L L^T, dot products and vector updates.
Vec eigen_pcg(const SpRow& A, const SpCol& L, const Vec& b, int iters) {
  auto precond = [&](const Vec& r, Vec& z) {
    z = r;
    L.triangularView<Eigen::Lower>().solveInPlace(z);
    L.transpose().triangularView<Eigen::Upper>().solveInPlace(z);
  };
  const Eigen::Index n = b.size();
  Vec x(n), r(n), z(n), p(n), q(n);
  precond(b, z);
  x = z;
  double bnorm = b.norm();
  if (bnorm == 0.0) bnorm = static_cast<double>(n);
  q.noalias() = A * x;
  r = b - q;
  precond(r, z);
  p = z;
  double rho = r.dot(z);
  double rel = 0.0;
  // one step per pass, the true residual every tenth
  for (int iter = 1; iter <= iters; ++iter) {
    q.noalias() = A * p;
    const double pap = p.dot(q);
    if (pap != 0.0) {
      const double alpha = rho / pap;
      x += alpha * p;
      r -= alpha * q;
    }
    if (iter % 10 == 0) {
      q.noalias() = A * x;
      rel = (b - q).norm() / bnorm;
    }
    precond(r, z);
    const double rhonew = r.dot(z);
    p = z + (rhonew / rho) * p;
    rho = rhonew;
  }
  if (!(rel >= 0.0)) x.setZero();  // keeps the residual test from being optimised away
  return x;
}

}  // namespace

double iteration_bytes(std::int32_t n, std::int32_t nlow) {
  // Per off-diagonal pair, the two matrix values, the two factor values (8 bytes
  // each) and four column indices (4 bytes); per row, the arrays of the product,
  // both sweeps and the vector updates; the true-residual test adds a tenth of
  // a product.
  const double nl = nlow, nn = n;
  const double product = 2 * nl * (8 + 4) + nn * (4 + 4 + 4 + 8 + 8);     // values, columns, diag, two row pointers, x, y
  const double forward = nl * (8 + 4) + nn * (4 + 8 + 8 + 8);              // factor, cols; row pointer, rdiag, r, z
  const double backward = nl * (8 + 4) + nn * (4 + 8 + 8 + 8);             // factor, cols; row pointer, rdiag, z in, z out
  const double vectors = nn * 8 * (2 + 6 + 2 + 3);                         // p.q; x, r updates; r.z; p update
  const double test = (product + nn * 8 * 2) / 10;                         // A x and b - A x
  return product + forward + backward + vectors + test;
}

IccgComparison compare_iccg(const SolverRun& run, int iters) {
  IccgComparison c;
  c.iterations = iters;
  const potsolve::IccgSystem& s = run.sys;
  const std::int32_t n = run.n;

  // A as the solver sees it (the diagonal rounded to 32 bits), 0-based.
  std::vector<Eigen::Triplet<double, int>> ta, tl;
  ta.reserve(run.nnz);
  for (std::int32_t i = 1; i <= n; ++i)
    for (std::int32_t p = run.irow[i - 1] + 1; p <= run.irow[i]; ++p) {
      const std::int32_t j = run.jcol[p];
      const double v = j == i ? static_cast<double>(s.a.diag[i]) : run.amat[p];
      ta.emplace_back(i - 1, j - 1, v);
    }
  SpRow A(n, n);
  A.setFromTriplets(ta.begin(), ta.end());
  A.makeCompressed();
  // The solver's factor M = (D + L) D^-1 (D + L)^T as Eigen's L L^T with
  // L = (D + L) D^-1/2: column c scaled by sqrt(1/d(c)).
  const double* rdiag = s.f.rdiag.data();
  const double* sfac = s.f.lowfac.data();
  tl.reserve(static_cast<std::size_t>(s.a.nlow()) + n);
  for (std::int32_t k = 1; k <= n; ++k) {
    for (std::int32_t p = s.a.lowptr[k - 1] + 1; p <= s.a.lowptr[k]; ++p) {
      const std::int32_t col = s.a.lowcol[p];
      tl.emplace_back(k - 1, col - 1, sfac[p] * std::sqrt(rdiag[col]));
    }
    tl.emplace_back(k - 1, k - 1, 1.0 / std::sqrt(rdiag[k]));
  }
  SpCol L(n, n);
  L.setFromTriplets(tl.begin(), tl.end());
  L.makeCompressed();
  Vec b(n);
  for (std::int32_t i = 1; i <= n; ++i) b[i - 1] = run.rhs[i];

  // Best of three runs of each, the solver's own iteration first.
  c.ours = c.eigen = 1e30;
  std::vector<double> pot(run.rhs.size(), 0.0), res(run.rhs.size(), 0.0);
  Vec xe;
  for (int rep = 0; rep < 3; ++rep) {
    c.ours = std::min(c.ours, time_once([&] { potsolve::pcg_iterate(s, run.rhs, pot, res, {}, iters); }) / iters);
    c.eigen = std::min(c.eigen, time_once([&] { xe = eigen_pcg(A, L, b, iters); }) / iters);
  }
  double dmax = 0.0, xmax = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    dmax = std::max(dmax, std::fabs(pot[i] - xe[i - 1]));
    xmax = std::max(xmax, std::fabs(pot[i]));
  }
  c.max_rel_diff = xmax > 0 ? dmax / xmax : dmax;
  c.bytes = iteration_bytes(n, s.a.nlow());
  return c;
}

}  // namespace bench
