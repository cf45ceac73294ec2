// The peer solver: PETSc's conjugate gradients with its incomplete Cholesky
// preconditioner (levels 0, natural ordering, no shift) on the same assembled
// system, to the same relative residual. Built only when PETSc was found.
#pragma once

#include <functional>

#include "stages.h"

namespace bench {

struct PeerRun {
  bool available = false;
  int iterations = 0;
  double setup = 0.0;     // seconds: the matrix, the vectors and the factor
  double solve = 0.0;     // seconds in the iteration
  double solve_cpu = 0.0; // processor seconds in the iteration
  double residual = 0.0;  // |b - A x| / |b| of its answer
  double max_rel_diff = 0.0;  // |x_peer - x_ours|_inf / |x_ours|_inf
};

// Starts and ends the library for the whole run (nothing without PETSc).
void peer_begin();
void peer_end();

// Solves the system of run (the diagonal as the solver sees it, rounded to
// 32 bits) from x = 0 until the unpreconditioned residual falls below
// tol_iccg |b|, `repeats` times; after_each runs after every solve (the bench
// runs the program there, so that both are timed in the same minutes).
PeerRun peer_solve(const SolverRun& run, const std::function<void()>& after_each);

}  // namespace bench
