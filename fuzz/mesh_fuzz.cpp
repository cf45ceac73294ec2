// Fuzz target: headmesh import's reader on one .msh file - the checks of the
// file, then gmsh's reader on what they pass. A refused file is a correct
// outcome; a file read must give a mesh whose numbers the import can trust.
#include <cmath>
#include <cstdint>

#include "fuzz/harness.h"
#include "headmesh/error.h"
#include "headmesh/gmsh_session.h"
#include "headmesh/mesh_read.h"

// gmsh keeps caches from one file to the next: its memory is not a leak of ours.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace {

// What the import relies on in a mesh read.
void check_mesh(const headmesh::SourceMesh& m) {
  using fuzzing::require;
  const auto n = static_cast<std::int64_t>(m.node_tag.size());
  require(m.xyz.size() == 3 * m.node_tag.size(), "three coordinates per node");
  for (std::size_t i = 0; i < m.node_tag.size(); ++i) {  // tags ascending, in range; coordinates finite
    require(m.node_tag[i] >= 1 && m.node_tag[i] <= 2147483647, "node tags in range");
    require(i == 0 || m.node_tag[i - 1] < m.node_tag[i], "node tags ascending, each once");
    for (int c = 0; c < 3; ++c) require(std::isfinite(m.xyz[3 * i + c]), "coordinates finite");
  }
  require(m.tet.size() == m.tet_tag.size() && m.tet.size() == m.tet_group.size(), "one tag and group per tetrahedron");
  for (std::size_t e = 0; e < m.tet.size(); ++e) {  // corners are nodes, tags in range
    for (std::int32_t c : m.tet[e]) require(c >= 0 && c < n, "corners are nodes");
    require(m.tet_tag[e] >= 1 && m.tet_tag[e] <= 2147483647, "element tags in range");
  }
  for (const auto& [tag, tris] : m.surface_tris)  // surface triangles name nodes or none
    for (const headmesh::Tri& t : tris)
      for (std::int32_t c : t) require(c >= -1 && c < n, "surface corners are nodes or -1");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::init();
  static const headmesh::GmshSession gmsh;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::put("mesh.msh", data, size);
  try {
    check_mesh(headmesh::read_mesh("mesh.msh"));
  } catch (const headmesh::Error&) {
  }
  return 0;
}
