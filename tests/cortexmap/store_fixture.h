// MapStores built from generated meshes for the stage tests.
#pragma once

#include <cstdint>
#include <string>

#include "common/meshgen.h"
#include "cortexmap/mapstore.h"

namespace fixture {

// The mesh's nodes and elements in a MapStore (coordinates as given, already in
// the solver's unit), every potential from u(x, y, z), prop = 1, 2, 3, ...
template <class F>
void load(cortexmap::MapStore& m, const testmesh::Mesh& mesh, F u) {
  m.nnode = mesh.nnode;
  for (std::int32_t i = 1; i <= mesh.nnode; ++i) {
    for (int a = 0; a < 3; ++a) m.xyz[3 * i + a] = mesh.xyz[3 * i + a];
    m.pot[i] = u(mesh.xyz[3 * i], mesh.xyz[3 * i + 1], mesh.xyz[3 * i + 2]);
  }
  m.nelem = mesh.nelem;
  m.ielem = mesh.ielem;
  m.imat = mesh.imat;
  for (int k = 1; k <= 3; ++k) m.prop[k] = static_cast<float>(k);
}

}  // namespace fixture
