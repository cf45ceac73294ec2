#include "headmesh/cortex.h"

#include <algorithm>
#include <string>

#include "headmesh/error.h"
#include "headmesh/outer_surface.h"

namespace headmesh {

Cortex make_cortex(const SourceMesh& mesh, int tag, bool of_volume) {
  const std::string option = (of_volume ? "--cortex-of " : "--cortex ") + std::to_string(tag);
  std::vector<Tri> tris;
  if (of_volume) {
    std::vector<bool> keep(mesh.tet.size());
    for (std::size_t e = 0; e < keep.size(); ++e) keep[e] = mesh.tet_group[e] == tag;  // the tag's tetrahedra
    if (std::find(keep.begin(), keep.end(), true) == keep.end())
      throw Error(option + ": the mesh has no volume physical tag " + std::to_string(tag));
    tris = boundary_faces(mesh.tet, keep);
  } else {
    if (!mesh.surface_tris.count(tag)) throw Error(option + ": the mesh has no surface physical tag " + std::to_string(tag));
    tris = mesh.surface_tris.at(tag);
    // a triangle whose corner no tetrahedron uses lies outside the model
    for (const Tri& t : tris)
      if (std::min({t[0], t[1], t[2]}) < 0) throw Error(option + ": a triangle of the surface is not on the tetrahedra");
  }
  if (tris.empty()) throw Error(option + ": the surface has no triangle");

  Cortex c;
  std::vector<std::int32_t> point(mesh.node_tag.size(), -1);
  // points numbered in the order the triangles first use them
  for (const Tri& t : tris) {
    Tri p{};
    for (int k = 0; k < 3; ++k) {
      if (point[t[k]] < 0) {
        point[t[k]] = static_cast<std::int32_t>(c.node.size());
        c.node.push_back(t[k]);
      }
      p[k] = point[t[k]];
    }
    c.tri.push_back(p);
  }
  return c;
}

}  // namespace headmesh
