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

// The corners of side k of a tetrahedron, in the order whose normal (by the
// right-hand rule) points out of a positively oriented tetrahedron.
extern const int tet_side[4][3];

// The neighbour of every side: at 4 * e + k the tetrahedron that shares side k
// of tetrahedron e, or -1 when none does (the mesh's boundary) or two or more do.
std::vector<std::int32_t> face_neighbours(const std::vector<Tet>& tets);

// The area of a triangle of the mesh (in the mesh's units squared).
double triangle_area(const std::vector<double>& xyz, const Tri& t);

}  // namespace headmesh
