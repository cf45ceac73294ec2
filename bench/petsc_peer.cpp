#include "petsc_peer.h"

#ifdef HEADFIELD_PETSC

#include <petscksp.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

#include "clock.h"

namespace bench {

namespace {

void check(PetscErrorCode err, const char* what) {
  if (err != 0) throw std::runtime_error(std::string("PETSc: ") + what + " failed");
}

}  // namespace

void peer_begin() { check(PetscInitializeNoArguments(), "initialisation"); }
void peer_end() { PetscFinalize(); }

PeerRun peer_solve(const SolverRun& run, const std::function<void()>& after_each) {
  PeerRun out;
  out.available = true;
  const std::int32_t n = run.n;
  // 0-based compressed rows, the diagonal rounded to 32 bits as in the solver
  std::vector<PetscInt> ia(static_cast<std::size_t>(n) + 1), ja(static_cast<std::size_t>(run.nnz));
  std::vector<PetscScalar> va(static_cast<std::size_t>(run.nnz));
  for (std::int32_t i = 1; i <= n; ++i) {
    ia[i] = run.irow[i];
    for (std::int32_t p = run.irow[i - 1] + 1; p <= run.irow[i]; ++p) {
      const std::int32_t j = run.jcol[p];
      ja[p - 1] = j - 1;
      va[p - 1] = j == i ? static_cast<double>(static_cast<float>(run.amat[p])) : run.amat[p];
    }
  }
  Mat A;
  Vec b, x, r;
  KSP ksp;
  PC pc;
  const double t0 = now();
  check(MatCreateSeqAIJWithArrays(PETSC_COMM_SELF, n, n, ia.data(), ja.data(), va.data(), &A), "matrix");
  check(VecCreateSeq(PETSC_COMM_SELF, n, &b), "vector");
  check(VecDuplicate(b, &x), "vector");
  check(VecDuplicate(b, &r), "vector");
  PetscScalar* pb;
  check(VecGetArray(b, &pb), "vector");
  std::copy(run.rhs.begin() + 1, run.rhs.begin() + n + 1, pb);
  check(VecRestoreArray(b, &pb), "vector");
  check(KSPCreate(PETSC_COMM_SELF, &ksp), "solver");
  check(KSPSetOperators(ksp, A, A), "operators");
  check(KSPSetType(ksp, KSPCG), "CG");
  check(KSPGetPC(ksp, &pc), "preconditioner");
  check(PCSetType(pc, PCICC), "ICC");
  check(PCFactorSetLevels(pc, 0), "levels");
  check(PCFactorSetMatOrderingType(pc, MATORDERINGNATURAL), "ordering");
  check(PCFactorSetShiftType(pc, MAT_SHIFT_NONE), "shift");
  check(KSPSetNormType(ksp, KSP_NORM_UNPRECONDITIONED), "norm");
  check(KSPSetTolerances(ksp, potsolve::tol_iccg, 0.0, PETSC_DEFAULT, potsolve::maxit), "tolerances");
  check(KSPSetUp(ksp), "setup");
  out.setup = now() - t0;
  // each solve from x = 0 again; the median one
  std::vector<std::pair<double, double>> solves;  // wall, processor seconds
  for (int k = 0; k < repeats; ++k) {
    const double c0 = cpu_now();
    const double wall = time_once([&] { check(KSPSolve(ksp, b, x), "solve"); });
    solves.emplace_back(wall, cpu_now() - c0);
    after_each();
  }
  std::tie(out.solve, out.solve_cpu) = median_run(solves, [](const auto& s) { return s.first; });
  PetscInt its = 0;
  check(KSPGetIterationNumber(ksp, &its), "iterations");
  out.iterations = static_cast<int>(its);
  // the true residual and the difference from the solver's answer
  PetscReal rn = 0.0, bn = 0.0;
  check(MatMult(A, x, r), "product");
  check(VecAYPX(r, -1.0, b), "residual");
  check(VecNorm(r, NORM_2, &rn), "norm");
  check(VecNorm(b, NORM_2, &bn), "norm");
  out.residual = bn > 0 ? rn / bn : rn;
  const PetscScalar* px;
  check(VecGetArrayRead(x, &px), "vector");
  double dmax = 0.0, xmax = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    dmax = std::max(dmax, std::fabs(px[i - 1] - run.pot[i]));
    xmax = std::max(xmax, std::fabs(run.pot[i]));
  }
  check(VecRestoreArrayRead(x, &px), "vector");
  out.max_rel_diff = xmax > 0 ? dmax / xmax : dmax;
  KSPDestroy(&ksp);
  VecDestroy(&r);
  VecDestroy(&x);
  VecDestroy(&b);
  MatDestroy(&A);
  return out;
}

}  // namespace bench

#else

namespace bench {

void peer_begin() {}
void peer_end() {}
PeerRun peer_solve(const SolverRun&, const std::function<void()>&) { return {}; }

}  // namespace bench

#endif
