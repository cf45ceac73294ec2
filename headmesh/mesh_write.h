// Meshing the current gmsh model in 3D and writing it as a .msh file, whole or
// not at all: the test meshes of headmesh sphere and headmesh head.
#pragma once

#include <cstddef>
#include <string>

namespace headmesh {

struct MeshCounts {
  std::size_t nodes = 0, tetrahedra = 0;
};

// Meshes the current model (its sizes already set) with gmsh's Delaunay
// mesher and writes it to out in the .msh format version (2.2 or 4.1), ASCII
// or binary, through a temporary file. what names the model in errors.
// Throws Error. Needs a GmshSession.
MeshCounts mesh_and_write(const std::string& out, const std::string& format, bool binary, const std::string& what);

}  // namespace headmesh
