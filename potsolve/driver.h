// The solver's run: pattern, assembly, fixed potentials, ICCG and the output.
#pragma once

#include <string>

#include "potsolve/model.h"

namespace potsolve {

// Runs the stages on a model that has been read and whose conductivities are
// derived, announcing each on the console, and writes POTENT.OUT. A run whose
// iteration did not converge still writes the file, then ends with status 2.
void run_solver(ModelStore& m, const std::string& cache_path = "irowjcol.da0");

}  // namespace potsolve
