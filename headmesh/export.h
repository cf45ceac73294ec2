// headmesh export: a solved model directory to files for gmsh (.msh) and
// ParaView (.vtu with a .vtp cortex).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace headmesh {

// The fields of a solved model, per node and per element, with the tags the
// viewers show. Element values are calibrated as cortexmap calibrates them
// when ele_size.txt and the boundary codes allow it.
struct Results {
  std::vector<float> xyz;                // node i at xyz[3*i + 0..2], as in xyz.dat
  std::vector<std::int32_t> tet;         // element e at tet[4*e + 0..3], 0-based nodes
  std::vector<std::size_t> node_tag;     // mesh tags (headmesh.map) or 1, 2, ...
  std::vector<std::size_t> elem_tag;
  std::vector<float> potential;          // V, per node
  std::vector<float> field, current;     // V/m and A/m^2, 3 per element
  std::vector<float> emag, jmag, pden;   // |E|, |J|, power density (W/m^3)
  std::vector<std::int32_t> tissue;      // volume tag (or material number) per element
  bool calibrated = false;
  std::string calibration;               // what the values are, in one line
  // The cortex, when cortexfield.out is there: its points, triangles (0-based)
  // and the sampled |E|, |J|, power density of each point.
  std::vector<float> cortex_xyz;
  std::vector<std::int32_t> cortex_tri;
  std::vector<float> cortex_emag, cortex_jmag, cortex_pden;
};

// Reads the model files, POTENT.OUT and, when present, ele_size.txt,
// headmesh.map, cortex.dat and cortexfield.out of dir. Throws Error.
Results read_results(const std::string& dir);

// Writes out by its extension: .msh through gmsh (with the cortex in
// STEM_cortex.msh) or .vtu (with the cortex in STEM_cortex.vtp). Returns the
// files written. Throws Error for another extension or a failed write.
std::vector<std::string> write_results(const Results& r, const std::string& out);

}  // namespace headmesh
