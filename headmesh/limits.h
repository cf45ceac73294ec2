// The capacities the two programs are built with, and the check of a model
// against them.
#pragma once

#include <cstdint>

namespace headmesh {

struct ModelSize {
  std::int64_t nodes = 0, elements = 0, materials = 0, stored_terms = 0;
  std::int64_t boundary_entries = 0, cortex_points = 0, cortex_triangles = 0;
};

// The largest number of distinct electrode potentials (checked as the
// electrodes are placed).
std::int64_t max_potentials();

// Throws Error naming the first count above its capacity and the CMake option
// that raises it.
void check_capacity(const ModelSize& size);

}  // namespace headmesh
