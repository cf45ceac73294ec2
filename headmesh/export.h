// headmesh export: a solved model directory to files for gmsh (.msh) and
// ParaView and Python readers (.vtu, the cortex in a second .vtu).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "headmesh/electrode_current.h"

namespace headmesh {

// How the element values are scaled to the current of ele_size.txt: by the
// exact current through the reference electrode (the reaction current of its
// held nodes), as cortexmap scales them (the mean node-averaged |J| over the
// reference electrode's nodes times the reference area), or not at all.
enum class Calibration { none, exact, cortexmap };

// The fields of a solved model, per node and per element, with the tags the
// viewers show, and the current of every held electrode. Element values are
// calibrated as asked when ele_size.txt and the boundary codes allow it.
struct Results {
  std::vector<float> xyz;                // node i at xyz[3*i + 0..2], as in xyz.dat
  std::vector<std::int32_t> tet;         // element e at tet[4*e + 0..3], 0-based nodes
  std::vector<std::size_t> node_tag;     // mesh tags (headmesh.map) or 1, 2, ...
  std::vector<std::size_t> elem_tag;
  std::vector<float> potential;          // V, per node
  std::vector<float> field, current;     // V/m and A/m^2, 3 per element
  std::vector<float> emag, jmag, pden;   // |E|, |J|, power density (W/m^3)
  std::vector<std::int32_t> tissue;      // volume tag (or material number) per element
  std::vector<ElectrodeCurrent> electrodes;
  Calibration calibration = Calibration::none;  // the one applied
  double exact_factor = 0.0, cortexmap_factor = 0.0;  // each 0 where unavailable
  std::string note;                      // what the values are, in one line
  // The cortex, when cortexfield.out is there: its points, triangles (0-based)
  // and the sampled |E|, |J|, power density of each point (scaled as the
  // elements are), the unit normal into the cortex (the opposite of the
  // normal of triangles whose corners run counter-clockwise seen from
  // outside, as headmesh import writes them) and the normal components
  // E . n and J . n of the sampled element: positive where the field and
  // the current point into the cortex.
  std::vector<float> cortex_xyz;
  std::vector<std::int32_t> cortex_tri;
  std::vector<float> cortex_emag, cortex_jmag, cortex_pden;
  std::vector<float> cortex_normal, cortex_en, cortex_jn;
};

// Reads the model files, POTENT.OUT and, when present, ele_size.txt,
// headmesh.map, cortex.dat and cortexfield.out of dir, and calibrates as asked
// (exact or cortexmap). Throws Error.
Results read_results(const std::string& dir, Calibration wanted);

// Writes out by its extension: .msh through gmsh (with the cortex in
// STEM_cortex.msh) or .vtu (with the cortex in STEM_cortex.vtu). Returns the
// files written. Throws Error for another extension or a failed write.
std::vector<std::string> write_results(const Results& r, const std::string& out);

}  // namespace headmesh
