// The benchmark's models: a brick of tetrahedra held at two potentials on
// opposite faces, written as the model files of both programs, and a wavy
// cortical sheet of points and triangles inside it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/meshgen.h"

namespace bench {

struct Model {
  testmesh::Mesh mesh;
  testmesh::Boundary boundary;  // x = 0 face held at bval(1) = 1, x = max at bval(2) = 0
  std::int32_t nfixed = 0;
};

// A brick of c*c*c cubes of 1 mm, six tetrahedra per cube.
Model make_brick(int c);

// The same model with its node numbers drawn in a random order (a fixed seed
// gives the same numbering on every run): node i becomes node perm(i).
Model shuffle_nodes(const Model& m, std::uint32_t seed);

// Writes the model files (setting.dta with the factor 0.001 to metres),
// ele_size.txt and a cortex.dat of pu*pv points on a wavy sheet through the
// brick, 2*(pu-1)*(pv-1) triangles. Returns the number of points.
std::int32_t write_all(const std::string& dir, const Model& m, int pu, int pv);

// Points of the same sheet, in mm (3 floats per point, from index 0).
std::vector<float> sheet_points(const Model& m, int pu, int pv);

}  // namespace bench
