// Electrodes: the nodes held at fixed potentials, by physical tag or as patches
// of the head's outer surface, and the contact area of the reference electrode.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "headmesh/mesh_read.h"

namespace headmesh {

// One --electrode TAG=VOLTS or --patch X,Y,Z,R=VOLTS, as given.
struct ElectrodeOption {
  std::string text;          // the option and its value, for messages
  bool patch = false;
  int tag = 0;               // --electrode: a surface tag, or else a volume tag
  double centre[3] = {0, 0, 0};
  double radius = 0.0;       // --patch: mm (mesh units)
  double volts = 0.0;
};

// The fixed potentials: bval[k - 1] is potential k; each held node (0-based,
// in the mesh's order) with its code -k, by ascending node.
struct Electrodes {
  std::vector<double> bval;
  std::vector<std::pair<std::int32_t, std::int32_t>> held;
};

// Holds the nodes of every electrode. Each distinct potential becomes the next
// entry, in the order the electrodes are given, so the first electrode has the
// code -1. Throws Error for a tag the mesh does not have, an electrode without
// a node, a node of two electrodes, or more potentials than max_potentials.
Electrodes place_electrodes(const std::vector<ElectrodeOption>& given, const SourceMesh& mesh,
                            const std::vector<Tri>& outer, std::int64_t max_potentials);

// The contact area of the nodes with code -1: a third of the area of each
// outer-surface triangle per corner they hold (mesh units squared).
double reference_area(const Electrodes& el, const SourceMesh& mesh, const std::vector<Tri>& outer);

}  // namespace headmesh
