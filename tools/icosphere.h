// A triangulated sphere made by refining an icosahedron.
#pragma once

#include "model.h"

namespace makemodel {

// Replaces model.cortex and model.tri by a sphere of the given radius about
// centre: the icosahedron with every triangle split into four level times, the
// new points pushed out onto the sphere. 10 * 4^level + 2 points,
// 20 * 4^level triangles, all facing outwards.
void icosphere(double radius, int level, const std::array<double, 3>& centre, Model& model);

}  // namespace makemodel
