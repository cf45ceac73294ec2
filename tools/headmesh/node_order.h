// Node orders for the solver's memory locality: reverse Cuthill-McKee over the
// node graph, a Hilbert space-filling curve, and the node graph itself.
#pragma once

#include <cstdint>
#include <vector>

#include "headmesh/mesh_read.h"

namespace headmesh {

// The node graph in compressed rows: the neighbours of node i (sharing a
// tetrahedron, i itself excluded) are adj[start[i] .. start[i+1]), ascending.
struct NodeGraph {
  std::vector<std::int64_t> start;
  std::vector<std::int32_t> adj;
};
NodeGraph node_graph(std::int32_t nnode, const std::vector<Tet>& tets);

// Orders: order[k] is the node (0-based, mesh order) that becomes node k.
// Reverse Cuthill-McKee, each connected part from a pseudo-peripheral node,
// neighbours by ascending degree (ties by node number).
std::vector<std::int32_t> rcm_order(const NodeGraph& g);
// Ascending position along a 3D Hilbert curve through the bounding box
// (ties by node number).
std::vector<std::int32_t> hilbert_order(const std::vector<double>& xyz);

}  // namespace headmesh
