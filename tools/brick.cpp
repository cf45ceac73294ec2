#include "brick.h"

#include <algorithm>
#include <stdexcept>

#include "cubegrid.h"
#include "flatpatch.h"

namespace makemodel {

Model brick_model(const BrickOptions& opt) {
  if (!(opt.step > 0.0)) throw std::invalid_argument("the grid step must be positive");
  if (!(opt.sigma > 0.0)) throw std::invalid_argument("the conductivity must be positive");
  // at least one cube along every axis
  for (int c : opt.cells)
    if (c < 1) throw std::invalid_argument("the brick needs at least one cube along each axis");
  Model m;
  CubeGrid grid;
  grid.step = opt.step;
  grid.cells = opt.cells;
  std::vector<std::array<int, 3>> at;
  cube_mesh(grid, [](const std::array<double, 3>&) { return 1; }, m, &at);
  m.prop = {opt.sigma};

  // one prescribed potential per level of the linear potential, the highest first
  int top = 0;
  for (int d = 0; d < 3; ++d) top += brick_weight[d] * opt.cells[d];
  // the potential of every level from the highest down
  for (int level = top; level >= 0; --level) m.bval.push_back(opt.volts * level / top);

  // every node on a face of the brick holds the potential of its level
  for (std::size_t i = 0; i < at.size(); ++i) {
    bool face = false;
    int level = 0;
    for (int d = 0; d < 3; ++d) {
      face = face || at[i][d] == 0 || at[i][d] == opt.cells[d];
      level += brick_weight[d] * at[i][d];
    }
    if (face) m.bcp.push_back({static_cast<std::int32_t>(i), -(top - level + 1)});
  }

  // the reference: one grid square, its area in mm^2
  m.reference = model_files::Reference{opt.step * opt.step, opt.current};
  // cortical points: a square of 3 x 3 points across the middle of the brick
  const std::array<double, 3> centre = {0.5 * opt.cells[0] * opt.step, 0.5 * opt.cells[1] * opt.step,
                                        0.5 * opt.cells[2] * opt.step};
  flat_patch(m, centre, 0, 1, 0.25 * std::min(opt.cells[0], opt.cells[1]) * opt.step, 3);
  return m;
}

}  // namespace makemodel
