// The cortexmap run of the fuzz targets: every input in the program's order,
// the element fields, averages, scale, nearest search and the three output
// files, on a fresh MapStore, with the invariants a completed run must keep.
#pragma once

namespace fuzzing {

// Runs cortexmap on the files of the working directory. Returns false when the
// run ended by a handled stop or a fatal record error.
bool run_cortexmap();

}  // namespace fuzzing
