// Fuzz target: a whole small model for potsolve. The input holds xyz.dat,
// elem.dat, prop.dat, bval.dat, bcp.dat and optionally irowjcol.da0, separated
// by lines holding only "%"; a file not given is missing. The run reads the
// model, loads or builds the pattern, assembles, fixes the prescribed
// potentials and solves, as the driver does (console output discarded, console
// input at its end).
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "fuzz/harness.h"
#include "potsolve/assemble.h"
#include "potsolve/dirichlet.h"
#include "potsolve/iccg.h"
#include "potsolve/model_input.h"
#include "potsolve/pattern.h"
#include "potsolve/settings.h"

namespace {

const char* const files[] = {"xyz.dat", "elem.dat", "prop.dat", "bval.dat", "bcp.dat", "irowjcol.da0"};

bool all_finite(const std::vector<double>& v) {
  // every entry after the unused entry 0
  for (std::size_t k = 1; k < v.size(); ++k)
    if (!std::isfinite(v[k])) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::init();
  fuzzing::put("setting.dta", "''\n1.0\n");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> parts =
      fuzzing::split_files(std::string_view(reinterpret_cast<const char*>(data), size));
  // the parts given become files, the others are removed
  for (std::size_t k = 0; k < std::size(files); ++k) {
    if (k < parts.size())
      fuzzing::put(files[k], parts[k]);
    else
      std::remove(files[k]);
  }
  potsolve::ModelStore m;
  fuzzing::completes([&] {
    potsolve::read_settings(m);
    potsolve::read_model(m);
    potsolve::derive_conductivities(m);
    std::int32_t n = m.nnode;
    m.rhs.assign(static_cast<std::size_t>(n) + 1, 0.0);
    m.pot.assign(static_cast<std::size_t>(n) + 1, 0.0);
    m.res.assign(static_cast<std::size_t>(n) + 1, 0.0);
    potsolve::search_pattern(m, n, m.nelem);
    try { potsolve::assemble(m, n, m.nelem); } catch (const potsolve::ZeroVolume&) { return; } catch (const potsolve::MissingCoupling&) { return; }
    fuzzing::require(all_finite(m.amat), "assembled terms are finite");
    potsolve::apply_dirichlet(m, m.nnode);
    fuzzing::require(all_finite(m.rhs), "right-hand side is finite");
    try { potsolve::iccg_solve(m, n); } catch (const potsolve::UnfitPattern&) {}
  });
  return 0;
}
