// The test cap: gmsh's four-shell sphere imported with a positions file of
// twelve electrodes and a cortical sphere inside the brain, made once per test
// program, and leadfield run on it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "tools/child.h"

namespace captest {

// Radii (mm) and conductivities (S/m) of the shells, innermost first, as
// headmesh sphere meshes them and headmesh import conducts them.
inline const std::vector<double> radii = {80.0, 82.0, 88.0, 92.0};
inline const std::vector<double> sigmas = {0.275, 1.654, 0.010, 0.465};
constexpr double cortex_radius = 70.0;  // mm

struct CapModel {
  std::string dir;                              // the model directory
  std::vector<std::string> names;               // E1 .. E12, the reference last
  std::vector<std::array<double, 3>> centres;   // mm, on the outer sphere
};

// Made on first use under a fresh directory.
const CapModel& cap_model();

// Copies the model's files into a fresh directory, for tests that change them.
std::string copy_model(const std::string& tag);

// BIN_DIR/leadfield with the arguments (already quoted), in dir.
child::Result leadfield(const std::string& args, const std::string& dir = "", const std::string& prefix = "");

}  // namespace captest
