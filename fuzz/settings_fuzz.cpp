// Fuzz target: setting.dta, read as potsolve reads it, and the model paths
// joined from the directory it names.
#include <cstdint>

#include "fuzz/harness.h"
#include "potsolve/settings.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::put("setting.dta", data, size);
  potsolve::ModelStore m;
  if (!fuzzing::completes([&] { potsolve::read_settings(m); })) return 0;
  fuzzing::require(m.datadir.size() == 40, "datadir keeps 40 characters");
  const std::string path = potsolve::make_path(m.datadir, "xyz.dat");
  fuzzing::require(path.size() <= 48 && path.find(' ') == std::string::npos,
                   "a model path is the directory without blanks, one separator and the name");
  return 0;
}
