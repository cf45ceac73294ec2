// Writing a model directory for the two programs from a Model.
#pragma once

#include <functional>
#include <string>

#include "shared/model.h"
#include "textio/outfile.h"

namespace model_files {

// A file of a program's own written beside the model files and published with them.
struct ExtraFile {
  const char* name;
  std::function<void(textio::OutFile&)> records;
};

// Writes setting.dta (datadir '' and the scale), xyz.dat, elem.dat, prop.dat,
// bval.dat, bcp.dat, extra when given, ele_size.txt with a reference and
// cortex.dat with cortical points into dir (created when missing): every file
// first to its temporary, then all published together, or none, with the
// removal of an earlier model's files that these do not replace: POTENT.OUT,
// irowjcol.da0, cortexfield.out/.tec/.ply, and cortex.dat, ele_size.txt and
// headmesh.map when not written now (other files stay). One free-format record per
// line; each real as the shortest text that reads back as the same 32-bit
// value. The same model always gives the same bytes. Throws std::runtime_error
// (textio::FatalError for a failed write).
void write_model(const Model& m, const std::string& dir, const ExtraFile* extra = nullptr);

}  // namespace model_files
