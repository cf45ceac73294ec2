// The interpolation run: inputs, element fields, node averages and scale,
// nearest-element sampling of the cortical surface, and the three outputs.
#pragma once

#include "cortexmap/mapstore.h"

namespace cortexmap {

// Runs the whole sequence on an empty store: reads the inputs from the working
// directory, announces its two loops on the console, and writes cortexfield.out,
// cortexfield.tec and cortexfield.ply. Every console record of the run is
// written here; a stage that fails ends the run with its message and status 1.
void run_cortexmap(MapStore& m);

}  // namespace cortexmap
