// The ICCG solve: prepare the split layout and the factor, then iterate with
// conjugate gradients preconditioned by the incomplete Cholesky factor. The
// true residual is tested every test_every iterations.
#include "potsolve/iccg.h"

#include <cmath>
#include <string_view>

#include "potsolve/stop.h"
#include "textio/console.h"
#include "textio/layout.h"
#include "textio/record.h"

namespace potsolve {

void IccgStore::size_for(std::int32_t n, std::int32_t nnz) {
  const std::size_t nodes = static_cast<std::size_t>(n) + 1;
  const std::size_t terms = static_cast<std::size_t>(nnz) + 1;
  diag.assign(nodes, 0.0f);
  iup.assign(nodes, 0);
  itrans.assign(terms, 0);  // staging room for every upper column
  upval.assign(terms, 0.0);
  upfac.assign(terms, 0.0);
  pdir.assign(nodes, 0.0);
  zvec.assign(nodes, 0.0);
  qvec.assign(nodes, 0.0);
}

IccgStore& iccg_store() {
  static IccgStore store;
  return store;
}

namespace {

void say(std::string_view text) { textio::console().record(textio::Record().text(text)); }
void blank_record() { textio::console().record(textio::Record()); }

// One progress record: iteration number and relative true residual.
void progress(std::int32_t iter, double rel) {
  static const textio::Layout layout("1X,I5,A,E14.7");
  const textio::Item items[] = {iter, std::string_view("  |Ax-b|/|b| ="), rel};
  textio::console().fixed(layout, items);
}

// Sum of a(i) b(i), i = 1..n, in ascending order.
double dot(std::int32_t n, const std::vector<double>& a, const std::vector<double>& b) {
  double sum = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) sum = sum + a[i] * b[i];
  return sum;
}

}  // namespace

bool pcg_iterate(std::int32_t n, ModelStore& m, IccgStore& s, std::int32_t itmax) {
  const std::vector<double>& rhs = m.rhs;
  std::vector<double>& pot = m.pot;
  std::vector<double>& res = m.res;
  std::vector<double>& pdir = s.pdir;
  std::vector<double>& zvec = s.zvec;
  std::vector<double>& qvec = s.qvec;

  blank_record();
  textio::console().record(textio::Record().text(" Tolerance of ICCG  : ").r32(tol_shown));
  blank_record();
  say(" ICCG iteration begin.");

  // Initial guess x = M^-1 b, and |b|.
  precond_solve(n, m, s, rhs, zvec);
  double bb = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    pot[i] = zvec[i];
    bb = bb + rhs[i] * rhs[i];
  }
  double bnorm = std::sqrt(bb);
  if (bnorm == 0.0) bnorm = static_cast<double>(n);

  // r = b - A x.
  matvec_split(n, m, s, pot, qvec);
  for (std::int32_t i = 1; i <= n; ++i) res[i] = rhs[i] - qvec[i];

  // z = M^-1 r, p = z, rho = r.z.
  precond_solve(n, m, s, res, zvec);
  double rho = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    pdir[i] = zvec[i];
    rho = rho + res[i] * zvec[i];
  }

  // One conjugate-gradient step per pass, a true-residual test every tenth.
  for (std::int32_t iter = 1; iter <= itmax; ++iter) {
    matvec_split(n, m, s, pdir, qvec);
    const double pap = dot(n, pdir, qvec);
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
      matvec_split(n, m, s, pot, qvec);
      double ee = 0.0;
      // |b - A x|^2 from the recomputed product.
      for (std::int32_t i = 1; i <= n; ++i) {
        const double d = rhs[i] - qvec[i];
        ee = ee + d * d;
      }
      const double rel = std::fabs(std::sqrt(ee) / bnorm);
      progress(iter, rel);
      if (iccg_converged(rel)) {
        say(" ICCG iteration terminated.");
        blank_record();
        return true;
      }
    }

    precond_solve(n, m, s, res, zvec);
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

  say("CONVERGENCE IS FAILED");
  textio::pause();
  return false;
}

bool iccg_solve(ModelStore& m, std::int32_t n) {
  if (const std::int32_t bad = check_pattern(n, m); bad != 0) {
    textio::console().record(
        textio::Record().text(" Matrix pattern unfit for ICCG at row ").i32(bad));
    silent_stop();
  }
  IccgStore& s = iccg_store();
  s.size_for(n, m.irow[n]);
  split_triangles(n, m, s);
  factorize_ic(n, m, s);
  build_transpose_map(n, m, s);
  copy_upper_values(m, s);
  return pcg_iterate(n, m, s);
}

}  // namespace potsolve
