// A small flat triangulated square, the cortical surface of the box models.
#pragma once

#include "model.h"

namespace makemodel {

// Appends n x n points to model.cortex, spaced evenly over the square
// centre + s*u + t*v for s, t in [-half, half], and the 2 (n-1)^2 triangles
// between them to model.tri. u and v are unit axes 0, 1 or 2.
void flat_patch(Model& model, const std::array<double, 3>& centre, int u, int v, double half, int n);

}  // namespace makemodel
