// The interpolation run: inputs, element fields, node averages and scale,
// nearest-element sampling of the cortical surface, and the three outputs.
#pragma once

#include <string>

#include "cortexmap/mapstore.h"

namespace cortexmap {

// Runs the whole sequence on an empty store: reads the inputs from dir (the
// working directory when empty), announces its two loops on the console, and
// writes cortexfield.out, cortexfield.tec and cortexfield.ply into dir. Every console record of the run is
// written here; a stage that fails ends the run with its message and status 1.
void run_cortexmap(MapStore& m, const std::string& dir = "");

}  // namespace cortexmap
