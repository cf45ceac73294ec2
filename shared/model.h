// A model directory's contents in memory, numbered from 0 as a mesh generator
// or a mesh file numbers them, and its conversion to the programs' 1-based
// tables. Lengths are in the unit of the files (mm); setting.dta's scale takes
// them to metres.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace model_files {

// The reference electrode of ele_size.txt.
struct Reference {
  double area = 0.0;     // mm^2
  double current = 0.0;  // mA
};

struct Model {
  std::vector<std::array<double, 3>> xyz;                  // node coordinates
  std::vector<std::array<std::int32_t, 4>> elem;           // corners, nodes from 0
  std::vector<std::int32_t> mat;                           // material per element, from 1
  std::vector<double> prop;                                // conductivity per material (S/m)
  std::vector<double> bval;                                // prescribed potentials (V)
  std::vector<std::pair<std::int32_t, std::int32_t>> bcp;  // (node from 0, code)
  std::vector<std::array<double, 3>> cortex;               // cortical points (cortex.dat when any)
  std::vector<std::array<std::int32_t, 3>> tri;            // cortical triangles, points from 0
  std::optional<Reference> reference;                      // ele_size.txt when present
  double scale = 0.001;                                    // coordinate factor of setting.dta
};

// The mesh in the programs' numbering: nodes and elements from 1, entry 0
// unused, coordinates rounded to 32 bits as the files carry them.
struct Tables {
  std::int32_t nnode = 0;
  std::vector<float> xyz;            // node i at xyz[3*i + 0..2]
  std::int32_t nelem = 0;
  std::vector<std::int32_t> ielem;   // element e at ielem[4*e + 0..3], nodes from 1
  std::vector<std::int32_t> imat;    // material of element e
};

inline Tables tables(const Model& m) {
  Tables t;
  t.nnode = static_cast<std::int32_t>(m.xyz.size());
  t.xyz.assign(3 * (m.xyz.size() + 1), 0.0f);
  // node i + 1
  for (std::size_t i = 0; i < m.xyz.size(); ++i)
    for (int a = 0; a < 3; ++a) t.xyz[3 * (i + 1) + a] = static_cast<float>(m.xyz[i][a]);
  t.nelem = static_cast<std::int32_t>(m.elem.size());
  t.ielem.assign(4 * (m.elem.size() + 1), 0);
  t.imat.assign(m.elem.size() + 1, 0);
  // element e + 1 with its corners from 1
  for (std::size_t e = 0; e < m.elem.size(); ++e) {
    for (int k = 0; k < 4; ++k) t.ielem[4 * (e + 1) + k] = m.elem[e][k] + 1;
    t.imat[e + 1] = m.mat[e];
  }
  return t;
}

}  // namespace model_files
