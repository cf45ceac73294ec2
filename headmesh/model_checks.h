// What the solver cannot use or would solve silently wrong, checked on the
// mesh before any model file is written, named by the mesh's own tags.
#pragma once

#include <string>
#include <vector>

#include "headmesh/electrodes.h"
#include "headmesh/mesh_read.h"
#include "headmesh/node_order.h"

namespace headmesh {

// Throws Error naming the element tag of the first tetrahedron that repeats a
// node or has zero volume by the solver's rule, with the coordinates as the
// solver takes them (32-bit reals times the 32-bit scale), or the node tag of
// a coordinate whose product with the scale overflows.
void check_tetrahedra(const SourceMesh& mesh, double scale);

// The parts of the mesh that no held node reaches through the tetrahedra: the
// solver holds them at 0 V. One line each, naming the part's volume tags, its
// size and one of its element tags.
std::vector<std::string> floating_parts(const SourceMesh& mesh, const NodeGraph& graph, const Electrodes& el);

}  // namespace headmesh
