// The cortical surface of cortex.dat: the triangles of a surface tag, or the
// boundary of a volume tag.
#pragma once

#include <array>
#include <vector>

#include "headmesh/mesh_read.h"

namespace headmesh {

struct Cortex {
  std::vector<std::int32_t> node;  // mesh node (0-based, mesh order) of point p
  std::vector<Tri> tri;            // corners as 0-based points
};

// --cortex TAG (of_volume false) or --cortex-of TAG. Throws Error when the mesh
// has no such tag or the surface has no triangle.
Cortex make_cortex(const SourceMesh& mesh, int tag, bool of_volume);

}  // namespace headmesh
