// The ICCG iteration against two references: the same iteration written with
// Eigen's sparse kernels on the same matrix and factor, and the memory bound
// (bytes one iteration must move over the bandwidth of a streaming kernel).
#pragma once

#include "stages.h"
#include "table.h"

namespace bench {

struct IccgComparison {
  int iterations = 0;
  double ours = 0.0, eigen = 0.0;  // seconds per iteration
  double bytes = 0.0;              // bytes per iteration
  double max_rel_diff = 0.0;       // |x_ours - x_eigen|_inf / |x_ours|_inf after the run
};

// Bandwidth of a = b + s*c over arrays far larger than the caches (best of reps).
double triad_bandwidth();

// The bytes one iteration must move at least: the matrix, the factor, their
// indices and the vectors, each read or written once.
double iteration_bytes(std::int32_t n, std::int32_t nlow);

// Runs both iterations for `iters` steps (test every 10th, as the solver does)
// on the solved system of run.
IccgComparison compare_iccg(const SolverRun& run, int iters);

}  // namespace bench
