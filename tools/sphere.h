// The four-shell head phantom: brain, cerebrospinal fluid, skull and scalp as
// concentric spheres, with two electrode patches on the scalp and a spherical
// cortex inside the brain.
//
// The mesh is a cubed sphere of seven blocks of cubes, six tetrahedra each: a
// central cube, and on each of its faces a block that runs out radially in
// layers to the scalp. The layers of a face block first blend from the flat
// cube face to the brain surface, then follow the shells on spheres, so every
// shell surface is a layer of nodes and each tetrahedron lies in one shell.
// Every block cuts its cubes around the diagonal from its lowest to its highest
// corner in its own (tangential, tangential, radial) indices; neighbouring
// blocks then cut their shared faces alike and the mesh is conforming.
#pragma once

#include "model.h"

namespace makemodel {

// The electrodes are squares of the scalp about the poles, bounded by grid
// lines: the anode (+z, code -1, at +volts) spans a quarter of the +z face
// block's width (an angle of 22.5 degrees, 37 mm, 1289 mm^2), the cathode (-z,
// code -2, at 0 V) half of the -z block's width (45 degrees, about four times
// the area). So the divisions must be a multiple of 8, and every grid outlines
// the same two electrodes.
struct SphereOptions {
  int divisions = 16;           // cubes along an edge of the central cube, a multiple of 8
  int cortex_level = 4;         // icosphere refinements of the cortex
  double cortex_radius = 70.0;  // mm
  double current = 2.0;         // mA through the anode (ele_size.txt)
  double volts = 1.0;
};

// Shell radii (mm) and conductivities (S/m), innermost first.
constexpr double shell_radius[4] = {80.0, 82.0, 88.0, 92.0};
constexpr double shell_sigma[4] = {0.33, 1.65, 0.01, 0.465};
// Half-width of the central cube (mm).
constexpr double core_half = 40.0;

// Area of the anode square (mm^2): the solid angle 4 asin(sin^2(pi/16)) on the
// scalp sphere.
double anode_area();

// Radial layers of each shell outside the central cube: divisions / 2 in the
// brain from the cube face out, and divisions / 8 in each of the thin shells,
// so that a finer grid refines every shell alike.
std::array<int, 4> shell_layers(int divisions);

Model sphere_model(const SphereOptions& opt);

}  // namespace makemodel
