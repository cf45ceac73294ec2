// What a mesh file must be before gmsh opens it. gmsh runs any file that does
// not look like a mesh as a script, and its mesh reader trusts the tags and
// counts it finds (a node tag of 2^31 crashes it, one of 2^32 + 1 aliases node
// 1), so the file is read here first, as a mesh only.
#pragma once

#include <string>

namespace headmesh {

// The formats accepted, as the help and the messages name them.
inline constexpr const char* accepted_formats = "gmsh .msh 2.2 or 4.1, ASCII or binary";

// Throws Error, naming the file and the tag or section, unless path is a
// regular readable file that begins with $MeshFormat in an accepted format
// and whose $Nodes and $Elements sections hold: node and element tags from 1
// to 2147483647, each once; elements of known types whose nodes the file
// holds; coordinates that are finite and within the range of 32-bit reals;
// counts that agree with what follows. Sections other than those that a mesh
// file holds are refused too. Needs a GmshSession (the element types).
void check_mesh_file(const std::string& path);

}  // namespace headmesh
