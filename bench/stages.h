// Every stage of both programs, called in-process on the model files of a
// directory, in the order of the programs' own runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "potsolve/iccg.h"
#include "potsolve/model.h"
#include "table.h"

namespace bench {

// Stage names and seconds, in run order.
struct Times {
  std::vector<std::pair<std::string, double>> list;
  void add(const std::string& name, double t) { list.emplace_back(name, t); }
  double of(const std::string& name) const;
  double total() const;
};

// What the later sections need from the solver run on one model.
struct SolverRun {
  std::string dir;
  std::int32_t n = 0, nelem = 0, nnz = 0, nfixed = 0, iterations = 0;
  double residual = 0.0;       // relative true residual at the last test
  bool cache_reads_back = false;  // the pattern cache gave back the pattern it was written from
  // The system as the iteration sees it: rows with both triangles, after the
  // fixed potentials were imposed, and its split form with the factor.
  std::vector<std::int32_t> irow, jcol;
  std::vector<double> amat, rhs, pot;
  potsolve::IccgSystem sys;
  Times times;                 // every stage but the iteration
  double iter_total = 0.0;     // seconds in the iteration
  double iter_cpu = 0.0;       // processor seconds in the iteration
};

struct MapRun {
  Times times;
};

// Runs potsolve's stages on the files in dir.
void solver_stages(const std::string& dir, SolverRun& run);

// Runs cortexmap's stages on the files in dir, after the solver wrote POTENT.OUT.
MapRun map_stages(const std::string& dir, Table& table);

}  // namespace bench
