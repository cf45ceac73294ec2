// Fuzz target: one model file (FUZZ_FILE: xyz.dat, elem.dat, prop.dat,
// bval.dat or bcp.dat) in place of the base model's, read by potsolve and then
// by a whole cortexmap run.
#include <cmath>
#include <cstdint>

#include "fuzz/cortexmap_run.h"
#include "fuzz/harness.h"
#include "potsolve/model_input.h"
#include "potsolve/settings.h"

namespace {

// What a model accepted by potsolve guarantees to the later stages.
void check_model(const potsolve::ModelStore& m) {
  using fuzzing::require;
  require(m.nnode >= 0 && m.nnode <= potsolve::maxnode, "node count within capacity");
  require(m.nelem >= 0 && m.nelem <= potsolve::maxelem, "element count within capacity");
  // corners, materials and conductivities of every element
  for (std::int32_t e = 1; e <= m.nelem; ++e) {
    for (int k = 0; k < 4; ++k) {
      const std::int32_t v = m.ielem[4 * e + k];
      require(v >= 1 && v <= m.nnode, "corners are nodes");
    }
    require(m.imat[e] >= 1 && m.imat[e] <= potsolve::maxmat, "materials within the table");
    require(std::isfinite(m.sigel[e]), "conductivities are finite");
  }
  // coordinates and codes of every node
  for (std::int32_t i = 1; i <= m.nnode; ++i) {
    for (int c = 0; c < 3; ++c) require(std::isfinite(m.xyz[3 * i + c]), "coordinates are finite");
    require(m.bcp[i] >= -potsolve::maxbval, "codes name a prescribed potential slot");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::init();
  fuzzing::put_base_model(FUZZ_FILE);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::put(FUZZ_FILE, data, size);
  potsolve::ModelStore m;
  if (fuzzing::completes([&] {
        potsolve::read_settings(m);
        potsolve::read_model(m);
        potsolve::derive_conductivities(m);
      }))
    check_model(m);
  fuzzing::run_cortexmap();
  return 0;
}
