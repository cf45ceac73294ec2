// Fuzz target: the pattern cache irowjcol.da0 for the base model, read and
// checked, then used by the pattern search and the assembly as a run would.
#include <cstdint>
#include <vector>

#include "fuzz/harness.h"
#include "potsolve/assemble.h"
#include "potsolve/model_input.h"
#include "potsolve/pattern.h"
#include "potsolve/pattern_cache.h"
#include "potsolve/settings.h"

namespace {
potsolve::ModelStore base;  // the base model, read once
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::init();
  fuzzing::put_base_model();
  fuzzing::require(fuzzing::completes([] {
                     potsolve::read_settings(base);
                     potsolve::read_model(base);
                     potsolve::derive_conductivities(base);
                   }),
                   "the base model reads");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::put("irowjcol.da0", data, size);
  std::vector<std::int32_t> irow, jcol;
  if (potsolve::read_pattern_cache("irowjcol.da0", base.nnode, irow, jcol) == potsolve::CacheRead::read)
    fuzzing::require(potsolve::pattern_fault(base.nnode, irow, jcol) == 0, "a cache read passes the check");
  potsolve::ModelStore m = base;
  std::int32_t n = m.nnode;
  m.rhs.assign(static_cast<std::size_t>(n) + 1, 0.0);
  fuzzing::completes([&] {
    potsolve::search_pattern(m, n, m.nelem);
    fuzzing::require(n == m.nnode, "the pattern has the model's order");
    try { potsolve::assemble(m, n, m.nelem); } catch (const potsolve::MissingCoupling&) {}
  });
  return 0;
}
