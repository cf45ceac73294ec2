// The limits a model must keep to be read by both programs as built: the
// smaller of the two programs' capacities where both hold the same table
// (generated into capacity.h).
#pragma once

#include <algorithm>
#include <cstdint>

#include "capacity.h"

namespace model_files {

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

}  // namespace model_files
