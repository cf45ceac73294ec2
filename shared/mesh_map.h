// headmesh.map: where each model node and element came from in the mesh, and
// the tissue of each material. Written by headmesh import, read by headmesh
// export and leadfield.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "textio/outfile.h"

namespace mesh_map {

struct MeshMap {
  std::vector<std::size_t> node_tag;   // mesh node tag of model node i (0-based)
  std::vector<std::size_t> elem_tag;   // mesh element tag of model element e
  std::vector<int> material_tag;       // volume physical tag of material k (1-based) at k - 1
  std::vector<double> sigma;           // its conductivity (S/m)
};

// The file:
//   headmesh map 1
//   nodes N          then N lines: the mesh node tag of model node 1, 2, ...
//   elements E       then E lines: the mesh element tag of model element 1, 2, ...
//   materials M      then M lines: material number, volume tag, conductivity (S/m)
void write_map(const MeshMap& map, textio::OutFile& file);
// Throws std::runtime_error when the file is missing or not such a file.
MeshMap read_map(const std::string& path);

}  // namespace mesh_map
