// Node averages of the element quantities.
#pragma once

#include <vector>

#include "cortexmap/mapstore.h"
#include "cortexmap/progress.h"

namespace cortexmap {

// The averages of nodes 1 .. nnode, three per node at 3*i (3 * (nnode + 1)
// values): the means of emag, jmag and pden of f over the element slots of m
// that hold the node (a node in two slots of one element counts twice). Each sum is formed in element order and rounded to 32 bits after
// every addition. A node that no element holds gets 0. Advances the progress
// line once per node.
std::vector<float> node_averages(const MapStore& m, const ElementFields& f, ProgressLine& progress);

}  // namespace cortexmap
