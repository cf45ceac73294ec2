// Generated tetrahedral meshes for the tests: structured bricks and random
// meshes with the awkward cases real files can hold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/files.h"
#include "shared/model.h"

namespace testmesh {

// A mesh in the solver's numbering: 1-based nodes and elements, entry 0 unused.
using Mesh = model_files::Tables;

// A brick of nx*ny*nz cubes of edge h on makemodel's grid of cubes (each cut
// into six right-handed tetrahedra around its main diagonal, a conforming mesh).
// Node (i,j,k) is number 1 + i + (nx+1)*(j + (ny+1)*k); the six elements of a
// cube follow each other, cubes in grid order. Materials come in nmat layers
// along x when nmat > 1.
Mesh brick(int nx, int ny, int nz, float h = 1.0f, int nmat = 1);

// The same mesh with its nodes numbered as a mesher might: the odd nodes
// first, then the even ones (uneven rows, hundreds of sweep levels).
Mesh odd_nodes_first(const Mesh& mesh);

// A random mesh: nnode nodes scattered in the unit cube, nelem elements whose
// corners are drawn near each other in node order (so rows stay short), with a
// fraction of elements that repeat a corner and some nodes in no element.
// Deterministic for a given seed.
Mesh random_mesh(int nnode, int nelem, unsigned seed, double repeat_fraction = 0.02,
                 int isolated = 3);

// The conductivities, the prescribed potentials and the boundary entries.
struct Boundary {
  std::vector<float> prop;                                  // conductivity per material
  std::vector<float> bval;                                  // prescribed potentials
  std::vector<std::pair<std::int32_t, std::int32_t>> bcp;   // (node, code)
};

// The mesh and its boundary as a model (numbered from 0) with the given scale.
model_files::Model model_of(const Mesh& mesh, const Boundary& b, float scale = 1.0f);

// Writes setting.dta (datadir '' and the given scale), xyz.dat, elem.dat,
// prop.dat, bval.dat and bcp.dat into dir through the model writer.
void write_model(const std::string& dir, const Mesh& mesh, const Boundary& b,
                 float scale = 1.0f);

// The conductivities prop, and the nodes of the faces x = 0 and x = length held
// at 1 (code -1) and 0 (code -2), in node order.
Boundary end_faces(const Mesh& mesh, float length, std::vector<float> prop);

}  // namespace testmesh
