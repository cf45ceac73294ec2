// The solver's run: settings and model files, pattern, assembly, fixed
// potentials, ICCG and the output.
#pragma once

#include <string>

#include "potsolve/model.h"

namespace potsolve {

// Runs the whole sequence on an empty store: reads setting.dta from the working
// directory and the model files from the directory it names, then the stages,
// announcing each on the console, and writes POTENT.OUT. Every console record of
// the run and every pause is written here. A run whose iteration did not
// converge still writes the file, then ends with status 2. The store keeps the
// nodes, the fixed potentials and the results; the element tables and the
// assembled matrix are released once the solve no longer reads them.
void run_potsolve(ModelStore& m, const std::string& cache_path = "irowjcol.da0");

}  // namespace potsolve
