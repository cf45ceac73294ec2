// A regular grid of cubes, each cut into six tetrahedra around its main
// diagonal. The cut is the same in every cube, so neighbouring cubes share
// their face diagonals and the mesh is conforming.
#pragma once

#include <array>
#include <functional>

#include "model.h"

namespace makemodel {

// The six tetrahedra of a cube around its main diagonal, from corner 0 to
// corner 7, one per order of the axes: corner k of tetrahedron t is the cube
// corner kuhn_corner[t][k], whose bits 0, 1, 2 stand for a step along the
// first, second and third axis. Each corner list is in right-handed order.
extern const int kuhn_corner[6][4];

struct CubeGrid {
  std::array<double, 3> origin{};  // position of node (0,0,0), mm
  std::array<int, 3> cells{};      // cubes along x, y, z
  double step = 1.0;               // cube edge, mm
};

// Material of a tetrahedron from its centroid: 0 drops the tetrahedron.
using MaterialOf = std::function<int(const std::array<double, 3>& centroid)>;

// Fills model.xyz, model.elem and model.mat with the kept tetrahedra of the grid.
// Cubes are visited z-slice by z-slice, rows along x innermost; the nodes that
// some kept tetrahedron uses are numbered in the same order, the rest dropped.
// gridnode, when given, receives the grid position (i, j, k) of every node.
void cube_mesh(const CubeGrid& grid, const MaterialOf& material, Model& model,
               std::vector<std::array<int, 3>>* gridnode = nullptr);

}  // namespace makemodel
