// A brick of layers stacked along x, its two end faces held at two potentials.
// The exact potential is piecewise linear and the current density the same in
// every layer, V / sum(L_i / sigma_i); linear elements reproduce both.
#pragma once

#include <vector>

#include "model.h"

namespace makemodel {

struct Layer {
  double thickness;  // mm, a multiple of the grid step
  double sigma;      // S/m
};

struct SlabOptions {
  double step = 2.0;  // mm
  // The default conductivities are 3/8, 3/4 and 3/2: with a power-of-two step and
  // scale 1 the element matrices and their sums are exact in 32 bits.
  std::vector<Layer> layers = {{8.0, 1.5}, {12.0, 0.375}, {8.0, 0.75}};
  double width = 8.0;   // mm, the cross-section is width x width
  double volts = 1.0;   // potential of the face x = 0 (code -1); x = length is at 0 V
  double current = 2.0; // mA (ele_size.txt)
};

// Layer of a point at position x along the slab, 1-based; 0 outside.
int layer_of(const SlabOptions& opt, double x);

Model slab_model(const SlabOptions& opt);

}  // namespace makemodel
