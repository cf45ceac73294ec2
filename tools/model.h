// A complete model for the two programs: the tetrahedral mesh with its
// materials and fixed potentials, the reference electrode and the cortical
// surface. Lengths are in mm; the written setting.dta scales them to metres.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "capacity.h"

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

// The limits the programs are built with: the smaller of the two programs'
// capacities where both hold the same table (generated into capacity.h).
struct Capacity {
  std::int64_t nodes = std::min(capacity::potsolve_maxnode, capacity::cortexmap_maxnode);
  std::int64_t elements = std::min(capacity::potsolve_maxelem, capacity::cortexmap_maxelem);
  std::int64_t materials = std::min(capacity::potsolve_maxmat, capacity::cortexmap_maxmat);
  std::int64_t potentials = std::min(capacity::potsolve_maxbval, capacity::cortexmap_maxbval);
  std::int64_t stored_terms = capacity::potsolve_maxnz;
  std::int64_t boundary_entries = capacity::cortexmap_maxbcp;
  std::int64_t points = capacity::cortexmap_maxpts;
  std::int64_t triangles = capacity::cortexmap_maxtri;
};

}  // namespace makemodel
