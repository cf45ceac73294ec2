// The five model files: nodes, elements, conductivities, prescribed potentials
// and boundary codes.
#pragma once

#include "potsolve/model.h"

namespace potsolve {

// Reads xyz.dat, elem.dat, prop.dat, bval.dat and bcp.dat from datadir, in that
// order, announcing each on the console. A file that cannot be opened is
// reported, then the run waits at press_key and ends with exit status 1. Counts
// and indices outside the tables are rejected with exit status 1.
void read_model(ModelStore& m);

// sigel(e) = prop(imat(e)) for every element.
void derive_conductivities(ModelStore& m);

}  // namespace potsolve
