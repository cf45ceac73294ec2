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

// Reads xyz.dat, elem.dat, prop.dat, bval.dat and bcp.dat from the data
// directory (model_path), in that order, calling announce with each file's name
// before opening it. A file that cannot be opened throws ModelFileMissing. Counts and indices outside the
// tables are rejected with exit status 1.
void read_model(ModelStore& m, const std::function<void(const char* name)>& announce = {});

// A model directory given by path, read as potsolve run in it reads it:
// dir/setting.dta, then the five model files from the data directory it names,
// a relative one taken from dir (m.home = dir). The working directory plays no
// part.
void read_model_dir(ModelStore& m, const std::string& dir,
                    const std::function<void(const char* name)>& announce = {});

// sigel(e) = prop(imat(e)) for every element.
void derive_conductivities(ModelStore& m);

}  // namespace potsolve
