// Writing a model directory for the two programs.
#pragma once

#include <string>

#include "model.h"

namespace makemodel {

// Creates dir when missing and writes setting.dta (datadir '' and the scale),
// xyz.dat, elem.dat, prop.dat, bval.dat, bcp.dat, ele_size.txt and cortex.dat
// into it. Removes a stale pattern cache irowjcol.da0 there, which belongs to
// an earlier mesh. Throws std::runtime_error when a file cannot be written.
// The same model always gives the same bytes.
void write_model(const Model& model, const std::string& dir);

}  // namespace makemodel
