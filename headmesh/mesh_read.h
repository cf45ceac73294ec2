// Reading a tetrahedral head mesh through gmsh: the nodes that tetrahedra use,
// the tetrahedra with their volume physical tags, and the element nodes of every
// surface and volume physical group.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace headmesh {

using Tet = std::array<std::int32_t, 4>;
using Tri = std::array<std::int32_t, 3>;

// A mesh in its own order: node i (0-based) is the i-th node by ascending gmsh
// tag among the nodes that tetrahedra use; tetrahedra by ascending element tag.
struct SourceMesh {
  std::vector<std::size_t> node_tag;   // gmsh tag of node i
  std::vector<double> xyz;             // node i at xyz[3*i + 0..2], as in the file
  std::vector<Tet> tet;                // corners, 0-based nodes
  std::vector<std::size_t> tet_tag;    // gmsh element tag of tetrahedron e
  std::vector<int> tet_group;          // volume physical tag of tetrahedron e
  // Per surface (dim 2) physical tag: its first-order triangles and the nodes
  // of all its elements. Nodes that no tetrahedron uses are -1.
  std::map<int, std::vector<Tri>> surface_tris;
  std::map<int, std::vector<std::int32_t>> surface_nodes;
};

// Reads path with gmsh once check_mesh_file has passed it. Throws Error for a
// file refused by those checks or that gmsh cannot read, a mesh without
// tetrahedra, second-order or other volume elements, and tetrahedra outside
// exactly one volume physical group. Needs a GmshSession.
SourceMesh read_mesh(const std::string& path);

}  // namespace headmesh
