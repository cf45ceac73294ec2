#include "fuzz/cortexmap_run.h"

#include <cmath>
#include <memory>

#include "cortexmap/outputs.h"
#include "cortexmap/run.h"
#include "fuzz/harness.h"

namespace fuzzing {

bool run_cortexmap() {
  using namespace cortexmap;
  auto store = std::make_unique<MapStore>();
  MapStore& m = *store;
  const bool done = completes([&] { cortexmap::run_cortexmap(m); });
  if (!done) return false;
  // every point sampled from an element, every written value finite
  for (std::int32_t p = 1; p <= m.npts; ++p) {
    require(m.inear[p] >= 1 && m.inear[p] <= m.nelem, "a point samples an element of the mesh");
    for (float v : sampled_values(m, p)) require(std::isfinite(v), "sampled values are finite");
  }
  return true;
}

}  // namespace fuzzing
