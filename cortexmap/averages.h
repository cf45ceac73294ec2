// Node averages of the element quantities.
#pragma once

#include "cortexmap/mapstore.h"
#include "cortexmap/progress.h"

namespace cortexmap {

// Fills ndavg for nodes 1 .. nnode: the means of emag, jmag and pden over the
// element slots that hold the node (a node in two slots of one element counts
// twice). Each sum is formed in element order and rounded to 32 bits after
// every addition. A node that no element holds gets 0. Advances the progress
// line once per node.
void node_averages(MapStore& m, ProgressLine& progress);

}  // namespace cortexmap
