// setting.dta: where the model files lie and the factor for every coordinate.
#pragma once

#include <string>
#include <string_view>

#include "potsolve/model.h"

namespace potsolve {

// Reads "setting.dta" from the current working directory into datadir (40
// characters, blank-padded) and scale. A missing file is a fatal open error.
void read_settings(ModelStore& m, const std::string& file = "setting.dta");

// The path of a model or output file: datadir joined with the first 40
// characters of name. Blanks are dropped wherever they stand, every '\' of the
// directory becomes '/', and one '/' separates directory and name unless the
// directory already ends with '/' or '\'. An empty directory gives the bare name.
std::string make_path(std::string_view datadir, std::string_view name);

// The path of a model or output file of m: make_path(datadir, name), under
// m.home unless that is empty or the path is absolute.
std::string model_path(const ModelStore& m, std::string_view name);

}  // namespace potsolve
