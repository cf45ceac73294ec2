// The colour ramp of the PLY surface: a colour index per element from its
// current density, and the vertex colour of an index.
#pragma once

#include <array>
#include <cstdint>

#include "cortexmap/mapstore.h"

namespace cortexmap {

// Fills icol for elements 1 .. nelem: 0 .. 255 over the range of the unscaled
// jmag of the whole mesh; all 0 when every element has the same jmag.
void colour_index(MapStore& m);

// Red, green, blue of colour index v: grey for v <= 25, then blue, cyan, green,
// yellow, orange, red and dark red. Every component lies in 0 .. 255.
std::array<std::int32_t, 3> vertex_colour(std::int32_t v);

}  // namespace cortexmap
