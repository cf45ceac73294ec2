// Conjugate gradients preconditioned by the solver's incomplete Cholesky
// factor (no fill), on several right-hand sides per sweep over the matrix:
// each pass over a row serves every column of the block.
#pragma once

#include <cstdint>
#include <functional>

#include "leadfield/reduced_system.h"

namespace leadfield {

// The relative residual |b - A x| / |b| at which a column has converged.
constexpr double iccg_tolerance = 1e-14;

// Solves A x = b for ncols columns of length n held one after another, nb
// columns per sweep; done(columns) is called after each block. Returns the
// largest true relative residual. Throws Error when a column does not
// converge within the iteration limit.
double solve_iccg(const ReducedSystem& s, const double* b, double* x, int ncols, int nb,
                  const std::function<void(int columns)>& done = {});

}  // namespace leadfield
