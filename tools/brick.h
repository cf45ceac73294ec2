// A homogeneous brick in a uniform oblique field: every surface node is held at
// the exact linear potential volts * (i + 2j + 3k) / (nx + 2ny + 3nz) of its
// grid position (i, j, k), which the interior reproduces exactly.
#pragma once

#include <array>

#include "model.h"

namespace makemodel {

struct BrickOptions {
  double step = 2.0;                 // mm
  std::array<int, 3> cells = {8, 6, 4};
  double sigma = 0.75;               // S/m
  double volts = 1.0;                // potential of the corner (nx, ny, nz), code -1
  double current = 2.0;              // mA (ele_size.txt)
};

// The grid weights of the potential along x, y and z.
constexpr int brick_weight[3] = {1, 2, 3};

Model brick_model(const BrickOptions& opt);

}  // namespace makemodel
