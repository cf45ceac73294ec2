// leadfield montage: the cortical field of any current montage as a weighted
// sum of the lead-field file's columns, without a solve.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace leadfield {

struct MontageOptions {
  std::string file;                                      // FILE.h5
  std::vector<std::pair<std::string, double>> currents;  // --current NAME=MA, in the order given
  std::string out = ".";                                 // --out DIR
  std::string model;                                     // --model DIR: check the digest against it
};

// The montage's field at the cortical points and the potential of every electrode.
struct MontageField {
  std::vector<std::string> names;   // every electrode in cap order
  std::vector<double> current;      // mA into each (the reference takes minus the sum)
  std::vector<double> potential;    // V at each
  std::vector<double> points;       // mm, 3 per point
  std::vector<std::int32_t> triangles;  // 0-based, 3 per triangle
  std::vector<double> e;            // V/m, 3 per point
  std::vector<double> normal;       // unit normal of the surface at each point, 3 per point
};

// Reads the file and sums its columns with the given currents. Throws Error
// for an unknown or repeated name, the reference named, or a digest that does
// not match the model directory.
MontageField montage_field(const MontageOptions& o);

// Writes DIR/montage.out and DIR/montage.vtp together and prints every
// electrode's potential; returns the two paths.
std::vector<std::string> run_montage(const MontageOptions& o);

}  // namespace leadfield
