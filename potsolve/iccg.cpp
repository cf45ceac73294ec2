// The ICCG solve: prepare the split matrix and the factor, then iterate with
// conjugate gradients preconditioned by the incomplete Cholesky factor. The
// true residual is tested every test_every iterations.
#include "potsolve/iccg.h"

#include <cmath>

#include "potsolve/crew.h"
#include "potsolve/pattern_cache.h"

namespace potsolve {

namespace {

// Sum of a(i) b(i), i = 1..n, in ascending order.
double dot(std::int32_t n, const std::vector<double>& a, const std::vector<double>& b) {
  double sum = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) sum = sum + a[i] * b[i];
  return sum;
}

// The assembled storage: a pattern the split can work on, with a value per term.
void require_fit(const ModelStore& m, std::int32_t n) {
  if (const std::int32_t bad = pattern_fault(n, m.irow, m.jcol); bad != 0) throw UnfitPattern{bad};
  if (m.amat.size() <= static_cast<std::size_t>(m.irow[n])) throw UnfitPattern{n};
}

template <class T>
void release(std::vector<T>& v) {
  std::vector<T>().swap(v);
}

// Split, transpose map, factor beside the plan, the plan's values. With lean,
// the model whose matrix is split: each step releases what no later step
// reads, of the model and of the system.
IccgSystem prepare(const ModelStore& m, std::int32_t n, int threads, ModelStore* lean) {
  require_fit(m, n);
  IccgSystem s;
  s.a = split_triangles(n, m);
  if (lean) {
    release(lean->irow), release(lean->jcol), release(lean->amat);
  }
  build_transpose_map(s.a, threads);
  s.plan = plan_orders(s.a, threads, [&s] { s.f = factorize_ic(s.a); });
  if (lean) {
    release(s.a.diag), release(s.a.lowval), release(s.a.upval), release(s.a.mirror);
  }
  plan_values(s.plan, s.a, s.f);
  if (lean) {
    release(s.a.lowptr), release(s.a.lowcol), release(s.a.upptr), release(s.a.upcol);
    release(s.f.rdiag), release(s.f.lowfac), release(s.f.upfac);
  }
  return s;
}

}  // namespace

IccgSystem prepare_iccg(const ModelStore& m, std::int32_t n, int threads) { return prepare(m, n, threads, nullptr); }

IccgSystem prepare_iccg_lean(ModelStore& m, std::int32_t n, int threads) { return prepare(m, n, threads, &m); }

// The passes over all rows run on every member's rows. The update of r along p
// is made inside the forward sweep, and that of x waits until the
// preconditioner has run, beside the dot product r.z; on the iterations that
// test x both are made at once.
PcgResult pcg_iterate(const IccgSystem& s, const std::vector<double>& rhs, std::vector<double>& pot,
                      std::vector<double>& res, const PcgMonitor& monitor, std::int32_t itmax) {
  const std::int32_t n = s.a.n;
  const std::size_t len = static_cast<std::size_t>(n) + 1;
  std::vector<double> pdir(len, 0.0), zvec(len, 0.0), qvec(len, 0.0);
  double *x = pot.data(), *r = res.data(), *p = pdir.data(), *z = zvec.data(), *q = qvec.data();
  const double* b = rhs.data();
  Crew crew(s);
  PcgResult out;

  // Initial guess x = M^-1 b, and |b|.
  crew.precond(rhs, zvec);
  double bb = 0.0;
  crew.beside([&] { bb = dot(n, rhs, rhs); },
              [&](std::int32_t i0, std::int32_t i1) { for (std::int32_t i = i0; i <= i1; ++i) x[i] = z[i]; });
  double bnorm = std::sqrt(bb);
  if (bnorm == 0.0) bnorm = static_cast<double>(n);

  // r = b - A x (the product's dot product is not needed).
  crew.matvec_dot(pot, qvec);
  crew.rows([&](std::int32_t i0, std::int32_t i1) { for (std::int32_t i = i0; i <= i1; ++i) r[i] = b[i] - q[i]; });

  // z = M^-1 r, p = z, rho = r.z.
  crew.precond(res, zvec);
  double rho = 0.0;
  crew.beside([&] { rho = dot(n, res, zvec); },
              [&](std::int32_t i0, std::int32_t i1) { for (std::int32_t i = i0; i <= i1; ++i) p[i] = z[i]; });

  // One conjugate-gradient step per pass, a true-residual test every tenth.
  for (std::int32_t iter = 1; iter <= itmax; ++iter) {
    out.iterations = iter;
    const double pap = crew.matvec_dot(pdir, qvec);
    // Breakdown (p.A.p = 0, e.g. r already 0): keep x and r as they are.
    const bool step = pap != 0.0;
    const double alpha = step ? rho / pap : 0.0;
    const bool test = iter % test_every == 0;
    if (test) {
      // r and x along p, then |b - A x|^2 from the recomputed product.
      if (step)
        crew.rows([&](std::int32_t i0, std::int32_t i1) {
          for (std::int32_t i = i0; i <= i1; ++i) x[i] = x[i] + alpha * p[i];
          for (std::int32_t i = i0; i <= i1; ++i) r[i] = r[i] - alpha * q[i];
        });
      const double ee = crew.residual_squared(pot, rhs, qvec);
      out.residual = std::fabs(std::sqrt(ee) / bnorm);
      if (monitor) monitor(iter, out.residual);
      if (iccg_converged(out.residual)) {
        out.converged = true;
        return out;
      }
      crew.precond(res, zvec);
    } else if (step) {
      // r along p as the forward sweep reaches each row
      crew.step_precond(res, qvec, alpha, zvec);
    } else {
      crew.precond(res, zvec);
    }
    // rho = r.z beside x along p
    double rhonew = 0.0;
    crew.beside([&] { rhonew = dot(n, res, zvec); },
                [&](std::int32_t i0, std::int32_t i1) {
                  if (step && !test)
                    for (std::int32_t i = i0; i <= i1; ++i) x[i] = x[i] + alpha * p[i];
                });
    if (rho != 0.0) {
      const double beta = rhonew / rho;
      // p = z + beta p.
      crew.rows([&](std::int32_t i0, std::int32_t i1) {
        for (std::int32_t i = i0; i <= i1; ++i) p[i] = beta * p[i] + z[i];
      });
    } else {
      // rho = 0: no previous direction to keep; restart from z.
      crew.rows([&](std::int32_t i0, std::int32_t i1) { for (std::int32_t i = i0; i <= i1; ++i) p[i] = z[i]; });
    }
    rho = rhonew;
  }
  return out;
}

bool StallWatch::stalled(double rel) {
  if (said_) return false;
  if (tests_++ == 0 || rel < lowest_) {
    lowest_ = rel;
    since_ = 0;
    return false;
  }
  said_ = ++since_ == stall_tests;
  return said_;
}

PcgResult iccg_solve(ModelStore& m, std::int32_t n, const PcgMonitor& monitor, int threads) {
  const IccgSystem s = prepare_iccg(m, n, threads);
  return pcg_iterate(s, m.rhs, m.pot, m.res, monitor);
}

}  // namespace potsolve
