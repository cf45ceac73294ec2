// The current through the held electrodes of a solved model: at every held
// node the row of the assembled conduction matrix, before the potentials were
// fixed, times the potentials (the reaction current of the finite-element
// solution), summed over the electrode's nodes.
#pragma once

#include <cstdint>
#include <vector>

#include "cortexmap/field_library.h"

namespace headmesh {

struct ElectrodeCurrent {
  std::int32_t code = 0;    // the boundary code -k of its nodes
  double volts = 0.0;       // bval(k)
  std::size_t nodes = 0;    // held nodes with the code
  double amperes = 0.0;     // out of the electrode into the head
};

// The electrodes of m's boundary list (codes -1, -2, ...; each that holds a
// node), from m's coordinates (in metres), elements and conductivities and the
// potentials pot (node i at pot[i], 1-based, as potsolve wrote them). Flat
// elements carry no current.
std::vector<ElectrodeCurrent> reaction_currents(const cortexmap::MapStore& m, const std::vector<double>& pot);

}  // namespace headmesh
