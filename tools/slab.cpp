#include "slab.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "cubegrid.h"
#include "flatpatch.h"

namespace makemodel {

namespace {

// Number of grid steps in a length; the length must be a whole multiple.
int steps_in(double length, double step, const char* what) {
  const double n = length / step;
  if (!(n >= 0.5) || std::fabs(n - std::round(n)) > 1e-9 * n)
    throw std::invalid_argument(std::string(what) + " must be a positive multiple of the grid step");
  return static_cast<int>(std::round(n));
}

}  // namespace

int layer_of(const SlabOptions& opt, double x) {
  double start = 0.0;
  // the first layer whose far face lies beyond x
  for (std::size_t l = 0; l < opt.layers.size(); ++l) {
    if (x >= start && x < start + opt.layers[l].thickness) return static_cast<int>(l + 1);
    start += opt.layers[l].thickness;
  }
  return 0;
}

Model slab_model(const SlabOptions& opt) {
  if (!(opt.step > 0.0)) throw std::invalid_argument("the grid step must be positive");
  if (opt.layers.empty()) throw std::invalid_argument("the slab needs at least one layer");
  Model m;
  CubeGrid grid;
  grid.step = opt.step;
  int nx = 0;
  // the layers side by side along x, each a whole number of cubes thick
  for (const auto& l : opt.layers) {
    nx += steps_in(l.thickness, opt.step, "a layer thickness");
    if (!(l.sigma > 0.0)) throw std::invalid_argument("a layer conductivity must be positive");
    m.prop.push_back(l.sigma);
  }
  const int ny = steps_in(opt.width, opt.step, "the width");
  grid.cells = {nx, ny, ny};
  cube_mesh(grid, [&](const std::array<double, 3>& c) { return layer_of(opt, c[0]); }, m);

  // the end faces: x = 0 at volts (code -1), x = length at 0 V (code -2)
  const double length = nx * opt.step;
  m.bval = {opt.volts, 0.0};
  for (std::size_t i = 0; i < m.xyz.size(); ++i)
    if (m.xyz[i][0] == 0.0) m.bcp.push_back({static_cast<std::int32_t>(i), -1});
  for (std::size_t i = 0; i < m.xyz.size(); ++i)
    if (m.xyz[i][0] == length) m.bcp.push_back({static_cast<std::int32_t>(i), -2});

  // the reference electrode is the face x = 0
  m.reference = model_files::Reference{opt.width * opt.width, opt.current};

  // cortical points: a square of 3 x 3 points across the middle of every layer
  double start = 0.0;
  for (const auto& l : opt.layers) {
    flat_patch(m, {start + 0.5 * l.thickness, 0.5 * opt.width, 0.5 * opt.width}, 1, 2, 0.25 * opt.width, 3);
    start += l.thickness;
  }
  return m;
}

}  // namespace makemodel
