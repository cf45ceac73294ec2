// Every stage of both programs at full capacity, called in-process on the
// model files of a directory, in the order of the programs' own runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "potsolve/iccg.h"
#include "potsolve/model.h"
#include "table.h"

namespace bench {

// What the later sections need from the solver run.
struct SolverRun {
  potsolve::ModelStore m;      // after the run: the split layout and the solution
  potsolve::IccgStore* s = nullptr;
  // The system as it stood before the split: rows with both triangles, after
  // the fixed potentials were imposed.
  std::vector<std::int32_t> irow, jcol;
  std::vector<double> amat, rhs;
  std::int32_t n = 0, nnz = 0, iterations = 0;
  double iter_total = 0.0;     // seconds in the iteration
  double stages_total = 0.0;   // seconds in every stage but the iteration
  double times_by_name(const std::string& name) const;
  std::vector<std::pair<std::string, double>> times;  // stage name, seconds
};

struct MapRun {
  double total = 0.0;
  std::vector<std::pair<std::string, double>> times;
  double time_of(const std::string& name) const;
};

// Runs potsolve's stages on the files in dir (the working directory becomes dir).
void solver_stages(const std::string& dir, SolverRun& run, Table& table);

// Runs cortexmap's stages on the files in dir, after the solver wrote POTENT.OUT.
MapRun map_stages(const std::string& dir, Table& table);

}  // namespace bench
