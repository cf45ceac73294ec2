// Writing a model directory for the two programs from a Model.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "shared/model.h"
#include "textio/outfile.h"

namespace model_files {

// A file of a program's own written beside the model files and published with them.
struct ExtraFile {
  const char* name;
  std::function<void(textio::OutFile&)> records;
};

// Writes setting.dta (datadir '' and the scale), xyz.dat, elem.dat, prop.dat,
// bval.dat, bcp.dat, the extra files, ele_size.txt with a reference and
// cortex.dat with cortical points into dir (created when missing): every file
// first to its temporary, then all published together, or none, with the
// removal of an earlier model's files that these do not replace: POTENT.OUT,
// irowjcol.da0, cortexfield.out/.tec/.ply, the pictures cortexfield.png,
// cortexnormal.png and convergence.png, leadfield.h5, and cortex.dat,
// ele_size.txt, headmesh.map and electrodes.dat when not written now (other
// files stay). One free-format record per
// line; each real as the shortest text that reads back as the same 32-bit
// value. The same model always gives the same bytes. Throws std::runtime_error
// (textio::FatalError for a failed write).
void write_model(const Model& m, const std::string& dir, const std::vector<ExtraFile>& extra = {});

}  // namespace model_files
