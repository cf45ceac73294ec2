// Fuzz target: one of cortexmap's own inputs (FUZZ_FILE: potent.out,
// ele_size.txt or cortex.dat) in place of the base model's, in a whole
// cortexmap run.
#include <cstdint>

#include "fuzz/cortexmap_run.h"
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::init();
  fuzzing::put_base_model(FUZZ_FILE);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::put(FUZZ_FILE, data, size);
  fuzzing::run_cortexmap();
  return 0;
}
