#include "potsolve/driver.h"

#include <filesystem>

#include "potsolve/assemble.h"
#include "potsolve/dirichlet.h"
#include "potsolve/iccg.h"
#include "potsolve/model_input.h"
#include "potsolve/pattern.h"
#include "potsolve/potentials.h"
#include "potsolve/settings.h"
#include "potsolve/stop.h"
#include "textio/console.h"
#include "textio/errors.h"
#include "textio/layout.h"
#include "textio/record.h"

namespace potsolve {

namespace {

void say(const std::string& text) { textio::console().record(textio::Record().text(text)); }

// The model files, each announced; a missing one is reported, the run waits for
// the user and then ends.
void read_model_files(ModelStore& m) {
  try {
    read_model(m, [](const char* name) { say(std::string(" Read from [") + name + "] "); });
  } catch (const ModelFileMissing& missing) {
    std::string field = missing.path;  // the 60-character path field
    if (field.size() < 60) field.resize(60, ' ');
    say(" File Not Found - " + field);
    say(" Please Check it Again!!! ");
    press_key();
    silent_stop();
  }
}

// The pattern from the cache or a new search; an unfit cache is reported, the
// stored-term limit ends the run with its two records.
void find_pattern(ModelStore& m, std::int32_t n, std::int32_t ne, const std::string& cache_path) {
  try {
    if (search_pattern(m, n, ne, cache_path) == CacheRead::unfit)
      say(" Pattern file " + std::filesystem::path(cache_path).filename().string() +
          " does not fit the model; searching again");
  } catch (const TooManyTerms& over) {
    static const textio::Layout layout("A,I8,A,I8,A");
    say(" # of nonzero is too big ! ");
    const textio::Item items[] = {std::string_view(" The number of Non-zero term ("), over.count,
                                  std::string_view(") exceeds the limit("), over.limit,
                                  std::string_view(").!")};
    textio::console().fixed(layout, items);
    silent_stop();
  }
}

}  // namespace

void run_potsolve(ModelStore& m, const std::string& cache_path) {
  textio::Console& con = textio::console();
  read_settings(m);
  read_model_files(m);
  derive_conductivities(m);

  const std::int32_t n = m.nnode;  // matrix order
  const std::int32_t ne = m.nelem;
  const std::int32_t nd = m.nnode;  // nodes examined for fixed potentials
  m.rhs.assign(static_cast<std::size_t>(n) + 1, 0.0);
  m.pot.assign(static_cast<std::size_t>(n) + 1, 0.0);
  m.res.assign(static_cast<std::size_t>(n) + 1, 0.0);

  say(" Searching Non-zero Terms in Stiffness matrix");
  find_pattern(m, n, ne, cache_path);
  con.record(textio::Record().text(" # of non-zeros : ").i32(m.irow[n]));

  say(" Assemble the Stiffness matrix ");
  assemble(m, n, ne);

  say(" apply dirichlet condition ");
  apply_dirichlet(m, nd);

  say(" ICCG Begins ...");
  const bool converged = iccg_solve(m, n);

  say(" Saving output file to POTENT.OUT");
  write_potentials(m);
  if (!converged) throw textio::Stop{textio::exit_noconv};
}

}  // namespace potsolve
