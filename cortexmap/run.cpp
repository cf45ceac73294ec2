#include "cortexmap/run.h"

#include <string>

#include "cortexmap/colour.h"
#include "cortexmap/field_library.h"
#include "textio/console.h"
#include "textio/errors.h"
#include "textio/record.h"

namespace cortexmap {

namespace {

const char* const process_header = "     -> PROCESS : 10  20  30  40  50  60  70  80  90 100 (%)";

void title(ProgressLine& progress, const char* text) {
  progress.blank_record();
  textio::console().record(textio::Record().text(text));
  textio::console().record(textio::Record().text(process_header));
}

// The model, the potentials and the reference values, in the order of the run.
void read_inputs(MapStore& m, const std::string& dir) {
  read_xyz(m, dir);
  scale_coordinates(m);
  read_elem(m, dir);
  read_potent(m, dir);
  read_bval(m, dir);
  read_bcp(m, dir);
  read_prop(m, dir);
  read_ele_size(m, dir);
}

void run_stages(MapStore& m, const std::string& dir, ProgressLine& progress) {
  read_inputs(m, dir);
  m.fields = element_fields(m);

  title(progress, "     * Converting into a Point-wise Data Format");
  progress.start(m.nnode);
  m.fscale = field_scale(m, node_averages(m, m.fields, progress));

  try {
    read_cortex(m, dir);
  } catch (const textio::FatalError&) {
    progress.end();  // the node loop's line is still open: the diagnostic gets its own line
    throw;
  }
  title(progress, "     * Interpolating Distributions on Cortical Surface");
  progress.start(m.npts);
  m.inear = find_nearest(m, m.fields.cent, progress);

  check_samples(m);
  colour_index(m);
  write_outputs(m, dir);
}

// Ends the run with one console line of its own and exit status 1.
[[noreturn]] void stop_run(ProgressLine& progress, const std::string& text) {
  progress.end();
  textio::console().record(textio::Record().text(text));
  throw textio::Stop{textio::exit_handled};
}

}  // namespace

void run_cortexmap(MapStore& m, const std::string& dir) {
  ProgressLine progress;  // the open line of the running loop
  try {
    run_stages(m, dir, progress);
  } catch (const InputRejected& r) {
    progress.end();
    textio::reject(r.file, r.record, r.what);
  } catch (const FieldOverflow& f) {
    stop_run(progress, " Element " + std::to_string(f.element) +
                           ": its field values exceed the range of 32-bit reals");
  } catch (const ScaleFailure& s) {
    stop_run(progress, scale_message(s.cause));
  } catch (const SampleOverflow& s) {
    stop_run(progress, " Cannot write the outputs: the scaled values of point " +
                           std::to_string(s.point) + " exceed the range of 32-bit reals");
  }
}

}  // namespace cortexmap
