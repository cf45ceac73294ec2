#include "fuzz/cortexmap_run.h"

#include <cmath>
#include <memory>

#include "cortexmap/averages.h"
#include "cortexmap/colour.h"
#include "cortexmap/fields.h"
#include "cortexmap/inputs.h"
#include "cortexmap/nearest.h"
#include "cortexmap/outputs.h"
#include "cortexmap/scale.h"
#include "fuzz/harness.h"

namespace fuzzing {

bool run_cortexmap() {
  using namespace cortexmap;
  auto store = std::make_unique<MapStore>();
  MapStore& m = *store;
  const bool done = completes([&] {
    read_xyz(m);
    read_elem(m);
    read_potent(m);
    read_bval(m);
    read_bcp(m);
    read_prop(m);
    read_ele_size(m);
    element_fields(m);
    ProgressLine averaging;
    averaging.start(m.nnode);
    node_averages(m, averaging);
    field_scale(m);
    read_cortex(m);
    ProgressLine sampling;
    sampling.start(m.npts);
    find_nearest(m, sampling);
    check_samples(m);
    write_out(m, "cortexfield.out");
    write_tec(m, "cortexfield.tec");
    colour_index(m);
    write_ply(m, "cortexfield.ply");
  });
  if (!done) return false;
  // every point sampled from an element, every written value finite
  for (std::int32_t p = 1; p <= m.npts; ++p) {
    require(m.inear[p] >= 1 && m.inear[p] <= m.nelem, "a point samples an element of the mesh");
    for (float v : sampled_values(m, p)) require(std::isfinite(v), "sampled values are finite");
  }
  return true;
}

}  // namespace fuzzing
