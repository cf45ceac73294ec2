// electrodes.dat: the electrodes of a cap, each a patch of nodes on the head's
// outer surface that acts as one conductor.
//
//   K                                  the number of electrodes
//   then per electrode, in cap order:
//   'NAME' X Y Z AREA COUNT            centre (model units), contact area (model units^2), node count
//   N1 N2 ...                          its COUNT nodes, counted from 1 (one statement over as many records as needed)
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace leadfield {

struct Electrode {
  std::string name;
  std::array<double, 3> centre{};
  double area = 0.0;
  std::vector<std::int32_t> nodes;  // 1-based, as in the file
};

// Reads DIR/electrodes.dat. Throws Error when it is missing (saying how to make
// one), for a node outside 1..nnode, a node of two electrodes, an electrode
// without nodes and a repeated name.
std::vector<Electrode> read_electrodes(const std::string& dir, std::int32_t nnode);

}  // namespace leadfield
