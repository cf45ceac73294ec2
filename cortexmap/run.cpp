#include "cortexmap/run.h"

#include "cortexmap/averages.h"
#include "cortexmap/colour.h"
#include "cortexmap/fields.h"
#include "cortexmap/inputs.h"
#include "cortexmap/nearest.h"
#include "cortexmap/outputs.h"
#include "cortexmap/progress.h"
#include "cortexmap/scale.h"
#include "textio/console.h"
#include "textio/record.h"

namespace cortexmap {

namespace {

const char* const process_header = "     -> PROCESS : 10  20  30  40  50  60  70  80  90 100 (%)";

void title(const char* text) {
  empty_record();
  textio::console().record(textio::Record().text(text));
  textio::console().record(textio::Record().text(process_header));
}

}  // namespace

void run_cortexmap(MapStore& m) {
  read_xyz(m);
  read_elem(m);
  read_potent(m);
  read_bval(m);
  read_bcp(m);
  read_prop(m);
  read_ele_size(m);
  element_fields(m);

  title("     * Converting into a Point-wise Data Format");
  ProgressLine averaging;
  averaging.start(m.nnode);
  node_averages(m, averaging);
  field_scale(m);

  read_cortex(m);
  title("     * Interpolating Distributions on Cortical Surface");
  ProgressLine sampling;
  sampling.start(m.npts);
  find_nearest(m, sampling);

  check_samples(m);
  colour_index(m);
  write_outputs(m);
}

}  // namespace cortexmap
