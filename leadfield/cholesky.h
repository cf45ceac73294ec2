// The sparse Cholesky factorisation of the reduced matrix (CHOLMOD): the
// symbolic analysis says how large the factor will be before any numeric work;
// the factor is computed once and then solves blocks of right-hand sides.
#pragma once

#include <cstdint>

#include "leadfield/reduced_system.h"

namespace leadfield {

class Cholesky {
 public:
  // Orders the matrix and analyses the factor's structure (no numeric work).
  explicit Cholesky(const ReducedSystem& s);
  ~Cholesky();
  Cholesky(const Cholesky&) = delete;
  Cholesky& operator=(const Cholesky&) = delete;

  // The memory of the numeric factor, in bytes, from the analysis.
  double factor_bytes() const;
  // Computes the factor. Throws Error when memory runs out or a pivot is not
  // positive.
  void factorize();
  // x = A^-1 b for ncols columns of length n held one after another.
  void solve(const double* b, double* x, int ncols);

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace leadfield
