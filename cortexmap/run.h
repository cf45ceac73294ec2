// The interpolation run: inputs, element fields, node averages and scale,
// nearest-element sampling of the cortical surface, and the three outputs.
#pragma once

#include "cortexmap/mapstore.h"

namespace cortexmap {

// Runs the whole sequence on an empty store in the working directory,
// announcing its two loops on the console, and writes cortexfield.out,
// cortexfield.tec and cortexfield.ply.
void run_cortexmap(MapStore& m);

}  // namespace cortexmap
