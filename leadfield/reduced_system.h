// The conduction matrix reduced by the electrodes: the nodes of one electrode
// share one unknown (an equipotential conductor), the reference electrode's
// nodes are grounded and leave the system. What remains is one symmetric
// positive definite matrix for every right-hand side.
#pragma once

#include <cstdint>
#include <vector>

#include "leadfield/electrodes_file.h"
#include "leadfield/model_source.h"

namespace leadfield {

struct ReducedSystem {
  std::int32_t n = 0;                        // unknowns
  std::vector<std::int32_t> dof;             // node i (1-based): its unknown 0..n-1, -1 when grounded
  std::vector<std::int32_t> electrode_dof;   // electrode k: its unknown, -1 for the reference
  // The whole symmetric matrix in compressed rows, 0-based, columns ascending.
  std::vector<std::int64_t> ptr;
  std::vector<std::int32_t> col;
  std::vector<double> val;
};

// The unknowns: free nodes and non-reference electrodes in the order of their
// first node. Row r of the reduced matrix is the sum of the matrix rows of its
// nodes, with the columns of each electrode's nodes summed likewise.
ReducedSystem reduce(const Conduction& a, const std::vector<Electrode>& cap, std::int32_t reference);

// Every node must reach the reference electrode through elements of non-zero
// conductivity (or through an electrode); throws Error naming the material and
// a node of the first region that does not.
void check_connected(const Mesh& mesh, const std::vector<Electrode>& cap, std::int32_t reference);

// y = A x for nb right-hand sides held side by side (x[i*nb + c]).
void multiply(const ReducedSystem& s, const double* x, double* y, int nb);

}  // namespace leadfield
