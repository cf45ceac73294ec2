// leadfield benchmark: the whole lead-field run of a cap against PETSc's
// CHOLMOD Cholesky factorisation and single solves of the same matrix, in the
// same run, and against potsolve runs; the montage of the lead field.
//
//   leadfield_bench CAPMODEL --reference NAME [--potsolve-model DIR]
//
// CAPMODEL holds electrodes.dat (headmesh import --positions). DIR is a model
// of the same mesh with fixed potentials, for potsolve: run once to cache its
// pattern, then timed; 63 runs are that time times the right-hand sides.
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "clock.h"
#include "leadfield/lead_run.h"
#include "leadfield/montage.h"
#include "tools/child.h"

#ifdef HEADFIELD_PETSC
#include <petscksp.h>
#endif

namespace {

using namespace leadfield;

struct Peer {
  bool available = false;
  double factor = 0.0, solve = 0.0, factor_cpu = 0.0, solve_cpu = 0.0;
};

// PETSc's CHOLMOD on the reduced matrix: the factorisation, then one MatSolve
// per right-hand side.
Peer petsc_cholmod(const ReducedSystem& s, const std::vector<std::int32_t>& driven) {
  Peer p;
#ifdef HEADFIELD_PETSC
  const auto check = [](PetscErrorCode e, const char* what) {
    if (e) throw std::runtime_error(std::string("PETSc: ") + what);
  };
  check(PetscInitializeNoArguments(), "initialisation");
  {
    const PetscInt n = s.n;
    std::vector<PetscInt> ia(s.ptr.begin(), s.ptr.end()), ja(s.col.begin(), s.col.end());
    std::vector<PetscScalar> va(s.val.begin(), s.val.end());
    Mat a, f;
    check(MatCreateSeqAIJWithArrays(PETSC_COMM_SELF, n, n, ia.data(), ja.data(), va.data(), &a), "matrix");
    check(MatSetOption(a, MAT_SYMMETRIC, PETSC_TRUE), "symmetric");
    check(MatSetOption(a, MAT_SPD, PETSC_TRUE), "spd");
    double t0 = bench::now(), c0 = bench::cpu_now();
    check(MatGetFactor(a, MATSOLVERCHOLMOD, MAT_FACTOR_CHOLESKY, &f), "CHOLMOD factor");
    IS row, col;
    check(MatGetOrdering(a, MATORDERINGNATURAL, &row, &col), "ordering");
    MatFactorInfo info;
    MatFactorInfoInitialize(&info);
    check(MatCholeskyFactorSymbolic(f, a, row, &info), "symbolic");
    check(MatCholeskyFactorNumeric(f, a, &info), "numeric");
    p.factor = bench::now() - t0;
    p.factor_cpu = bench::cpu_now() - c0;
    Vec b, x;
    check(MatCreateVecs(a, &x, &b), "vectors");
    t0 = bench::now();
    c0 = bench::cpu_now();
    // one solve per electrode
    for (std::int32_t k : driven) {
      VecSet(b, 0.0);
      VecSetValue(b, s.electrode_dof[k], unit_current, INSERT_VALUES);
      VecAssemblyBegin(b);
      VecAssemblyEnd(b);
      check(MatSolve(f, b, x), "solve");
    }
    p.solve = bench::now() - t0;
    p.solve_cpu = bench::cpu_now() - c0;
    ISDestroy(&row);
    ISDestroy(&col);
    VecDestroy(&b);
    VecDestroy(&x);
    MatDestroy(&f);
    MatDestroy(&a);
    p.available = true;
  }
  PetscFinalize();
#else
  (void)s;
  (void)driven;
#endif
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir, reference, potsolve_model;
  for (int k = 1; k < argc; ++k) {
    const std::string a = argv[k];
    if (a == "--reference" && k + 1 < argc) reference = argv[++k];
    else if (a == "--potsolve-model" && k + 1 < argc) potsolve_model = argv[++k];
    else dir = a;
  }
  if (dir.empty() || reference.empty()) {
    std::fprintf(stderr, "usage: leadfield_bench CAPMODEL --reference NAME [--potsolve-model DIR]\n");
    return 2;
  }
  try {
    // the whole run as a user starts it
    const child::Result run = child::run(LEADFIELD_EXE, child::quoted(dir) + " --reference " + child::quoted(reference) +
                                                            " --out " + child::quoted(dir + "/bench.h5"));
    if (run.status != 0) throw std::runtime_error("leadfield failed:\n" + run.console);
    std::fputs(run.console.c_str(), stdout);

    // the peer on the same reduced matrix
    const LeadProblem p = prepare_problem(dir, reference);
    std::vector<std::int32_t> driven;
    for (std::int32_t k = 0; k < static_cast<std::int32_t>(p.cap.size()); ++k)
      if (k != p.reference) driven.push_back(k);
    const Peer peer = petsc_cholmod(p.system, driven);

    // potsolve: once for its pattern cache, then timed
    double potsolve = 0.0, potsolve_cpu = 0.0;
    if (!potsolve_model.empty()) {
      child::run(POTSOLVE_EXE, "", potsolve_model);
      const child::Result r = child::run(POTSOLVE_EXE, "", potsolve_model);
      if (r.status != 0) throw std::runtime_error("potsolve failed:\n" + r.console);
      potsolve = r.seconds;
      potsolve_cpu = r.cpu;
    }

    // the montage: best of five, in the program and as a whole run
    MontageOptions mo;
    mo.file = dir + "/bench.h5";
    mo.currents = {{p.cap[driven[0]].name, 1.0}, {p.cap[driven[driven.size() / 2]].name, -0.5}};
    double montage = 1e9, montage_cpu = 1e9, montage_run = 1e9;
    for (int k = 0; k < 5; ++k) {
      const double c0 = bench::cpu_now();
      montage = std::min(montage, bench::time_once([&] { montage_field(mo); }));
      montage_cpu = std::min(montage_cpu, bench::cpu_now() - c0);
      const child::Result m = child::run(LEADFIELD_EXE, "montage " + child::quoted(mo.file) + " --current " +
                                                            mo.currents[0].first + "=1 --out " +
                                                            child::quoted(dir + "/bench-montage"));
      montage_run = std::min(montage_run, m.seconds);
    }

    const double k = static_cast<double>(driven.size());
    std::printf("\n| leadfield, %zu electrodes, %d nodes | seconds | processor s |\n|---|---:|---:|\n", p.cap.size(),
                p.mesh.nnode);
    std::printf("| whole leadfield run (peak %.0f MiB) | %.2f | %.2f |\n", run.maxrss / 1048576.0, run.seconds, run.cpu);
    if (peer.available) {
      std::printf("| PETSc CHOLMOD factorisation | %.2f | %.2f |\n", peer.factor, peer.factor_cpu);
      std::printf("| PETSc %.0f single solves | %.2f | %.2f |\n", k, peer.solve, peer.solve_cpu);
      std::printf("| ratio leadfield / (PETSc factor + solves) | %.2f | %.2f |\n", run.seconds / (peer.factor + peer.solve),
                  run.cpu / (peer.factor_cpu + peer.solve_cpu));
    }
    if (potsolve > 0.0) {
      std::printf("| potsolve, one run (pattern cached) x %.0f | %.2f | %.2f |\n", k, potsolve * k, potsolve_cpu * k);
      std::printf("| ratio leadfield / potsolve runs | %.3f | %.3f |\n", run.seconds / (potsolve * k),
                  run.cpu / (potsolve_cpu * k));
    }
    std::printf("| montage (sum of the columns), best of 5 | %.4f | %.4f |\n", montage, montage_cpu);
    std::printf("| leadfield montage, whole run with its files, best of 5 | %.4f | |\n", montage_run);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "leadfield_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
