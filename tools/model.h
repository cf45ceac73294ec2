// A complete model for the two programs: the tetrahedral mesh with its
// materials and fixed potentials, the reference electrode and the cortical
// surface. Lengths are in mm; the written setting.dta scales them to metres.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace makemodel {

struct Model {
  std::vector<std::array<double, 3>> xyz;            // node coordinates (mm)
  std::vector<std::array<std::int32_t, 4>> elem;     // corners, 0-based nodes
  std::vector<std::int32_t> mat;                     // material per element, 1-based
  std::vector<double> prop;                          // conductivity per material (S/m)
  std::vector<double> bval;                          // prescribed potentials (V)
  std::vector<std::pair<std::int32_t, std::int32_t>> bcp;  // (node counted from 1, code)
  std::vector<std::array<double, 3>> cortex;         // cortical points (mm)
  std::vector<std::array<std::int32_t, 3>> tri;      // cortical triangles, 0-based points
  double refarea = 0.0;                              // reference electrode area (mm^2)
  double refcurr = 0.0;                              // reference current (mA)
  double scale = 0.001;                              // coordinate factor of setting.dta
};

// The limits the programs are built with (see the top-level CMakeLists.txt).
struct Capacity {
  std::int64_t nodes = 100000;
  std::int64_t elements = 550000;
  std::int64_t materials = 100;
  std::int64_t potentials = 50;
  std::int64_t stored_terms = 2000000;
  std::int64_t boundary_entries = 60000;
  std::int64_t points = 100000;
  std::int64_t triangles = 200000;
};

}  // namespace makemodel
