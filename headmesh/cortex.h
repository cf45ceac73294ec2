// The cortical surface of cortex.dat: the triangles of a surface tag, the
// plain boundary of a volume tag, or the side of a volume tag that faces other
// tissues, moved inside the tissue so that its points sample it.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "headmesh/mesh_read.h"

namespace headmesh {

struct CortexRequest {
  int tag = 0;
  bool of_volume = false;     // --cortex-of TAG (else --cortex TAG, a surface tag)
  std::optional<int> facing;  // --cortex-of TAG:FACING
  bool surface = false;       // --surface: the plain boundary, where it lies
};

struct Cortex {
  std::vector<std::int32_t> node;  // mesh node (0-based, mesh order) of point p
  std::vector<double> xyz;         // point p at xyz[3*p + 0..2], in the mesh's units
  std::vector<Tri> tri;            // corners as 0-based points
  std::size_t moved_along_normal = 0, moved_to_element = 0;  // points moved inside, by either rule
};

// The cortex of a request. For --cortex-of TAG without --surface: the faces
// between TAG and the tissues it faces (FACING, or every tissue that TAG does
// not enclose), each point moved along the inward normal by half of the
// tissue's thickness there (measured along that normal through TAG's
// tetrahedra) but at most its mean edge length, so that the surface keeps its
// shape, or to a quarter or three quarters of it where the element
// nearest to the middle is not TAG's (thin layers, narrow folds); failing
// those, to the centroid of the TAG tetrahedron at the point nearest to the
// middle (or to the point, where the normal does not enter TAG). A tissue is
// enclosed by TAG when 90 % of the area of its faces against other tissues
// lies against TAG. Throws Error when the mesh has no such tag or the surface
// has no triangle.
Cortex make_cortex(const SourceMesh& mesh, const CortexRequest& request);

// The share (0..1) of the points whose nearest element centroid is an element
// of the volume tag.
double share_sampling(const SourceMesh& mesh, const Cortex& cortex, int tag);

}  // namespace headmesh
