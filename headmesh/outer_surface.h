// Boundary surfaces of tetrahedral meshes: the faces that belong to one
// tetrahedron only.
#pragma once

#include <vector>

#include "headmesh/mesh_read.h"

namespace headmesh {

// The faces of the chosen tetrahedra (keep[e], or all when keep is empty) that
// no other chosen tetrahedron shares, by ascending sorted corners, each with
// its corners in the tetrahedron's outward order. A face shared by three or
// more is not a boundary face either.
std::vector<Tri> boundary_faces(const std::vector<Tet>& tets, const std::vector<bool>& keep = {});

// The area of a triangle of the mesh (in the mesh's units squared).
double triangle_area(const std::vector<double>& xyz, const Tri& t);

}  // namespace headmesh
