#include "cubegrid.h"

#include <cstdint>
#include <vector>

namespace makemodel {

// The paths 0 -> e_a -> e_a + e_b -> 7 for the axis orders (0,1,2), (1,2,0),
// (2,0,1), then (0,2,1), (2,1,0), (1,0,2); the last three are odd orders, whose
// paths turn the other way, so their last two corners are swapped.
const int kuhn_corner[6][4] = {{0, 1, 3, 7}, {0, 2, 6, 7}, {0, 4, 5, 7},
                               {0, 1, 7, 5}, {0, 4, 7, 6}, {0, 2, 7, 3}};

void cube_mesh(const CubeGrid& grid, const MaterialOf& material, Model& model,
               std::vector<std::array<int, 3>>* gridnode) {
  const int nx = grid.cells[0], ny = grid.cells[1], nz = grid.cells[2];
  const std::int64_t nodes = std::int64_t(nx + 1) * (ny + 1) * (nz + 1);
  auto grid_index = [&](int i, int j, int k) {
    return std::int64_t(i) + std::int64_t(nx + 1) * (j + std::int64_t(ny + 1) * k);
  };
  auto position = [&](int i, int j, int k) {
    return std::array<double, 3>{grid.origin[0] + i * grid.step, grid.origin[1] + j * grid.step,
                                 grid.origin[2] + k * grid.step};
  };

  // kept tetrahedra with corners as grid indices
  std::vector<std::array<std::int64_t, 4>> kept;
  std::vector<int> keptmat;
  // every cube, every tetrahedron of it: keep it when its centroid has a material
  for (int k = 0; k < nz; ++k)
    for (int j = 0; j < ny; ++j)
      for (int i = 0; i < nx; ++i)
        for (int t = 0; t < 6; ++t) {
          std::array<std::int64_t, 4> corner{};
          std::array<double, 3> centroid{};
          // the corners of this tetrahedron and their mean
          for (int v = 0; v < 4; ++v) {
            const int b = kuhn_corner[t][v];
            const int c[3] = {i + (b & 1), j + (b >> 1 & 1), k + (b >> 2 & 1)};
            corner[v] = grid_index(c[0], c[1], c[2]);
            const auto p = position(c[0], c[1], c[2]);
            for (int d = 0; d < 3; ++d) centroid[d] += p[d];
          }
          for (int d = 0; d < 3; ++d) centroid[d] *= 0.25;
          const int m = material(centroid);
          if (m <= 0) continue;
          kept.push_back(corner);
          keptmat.push_back(m);
        }

  // number the used grid nodes in grid order
  std::vector<std::int32_t> number(nodes, -1);
  for (const auto& tet : kept)
    for (auto g : tet) number[g] = 0;
  model.xyz.clear();
  if (gridnode) gridnode->clear();
  std::int32_t next = 0;
  for (int k = 0; k <= nz; ++k)
    for (int j = 0; j <= ny; ++j)
      for (int i = 0; i <= nx; ++i) {
        const auto g = grid_index(i, j, k);
        if (number[g] < 0) continue;
        number[g] = next++;
        model.xyz.push_back(position(i, j, k));
        if (gridnode) gridnode->push_back({i, j, k});
      }

  // the elements in the new numbering
  model.elem.resize(kept.size());
  model.mat = keptmat;
  for (std::size_t e = 0; e < kept.size(); ++e)
    for (int v = 0; v < 4; ++v) model.elem[e][v] = number[kept[e][v]];
}

}  // namespace makemodel
