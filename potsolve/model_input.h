// The five model files: nodes, elements, conductivities, prescribed potentials
// and boundary codes.
#pragma once

#include <functional>
#include <string>

#include "potsolve/model.h"

namespace potsolve {

// A model file that cannot be opened: the path as tried.
struct ModelFileMissing {
  std::string path;
};

// Reads xyz.dat, elem.dat, prop.dat, bval.dat and bcp.dat from datadir, in that
// order, calling announce with each file's name before opening it. A file that
// cannot be opened throws ModelFileMissing. Counts and indices outside the
// tables are rejected with exit status 1.
void read_model(ModelStore& m, const std::function<void(const char* name)>& announce = {});

// sigel(e) = prop(imat(e)) for every element.
void derive_conductivities(ModelStore& m);

}  // namespace potsolve
