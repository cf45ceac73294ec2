#include "potsolve/driver.h"

#include <filesystem>
#include <string_view>

#include "potsolve/assemble.h"
#include "potsolve/dirichlet.h"
#include "potsolve/iccg.h"
#include "potsolve/model_input.h"
#include "potsolve/pattern.h"
#include "potsolve/potentials.h"
#include "potsolve/settings.h"
#include "potsolve/stop.h"
#include "potsolve/threads.h"
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
void find_pattern(ModelStore& m, const CornerSlots& inc, std::int32_t n, const std::string& cache_path,
                  int threads) {
  try {
    if (search_pattern(m, inc, n, cache_path, threads) == CacheRead::unfit)
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

// The assembly; a zero-volume element or a coupling missing from the pattern
// is reported and ends the run.
void assemble_or_stop(ModelStore& m, const CornerSlots& inc, std::int32_t n, std::int32_t ne, int threads) {
  textio::Console& con = textio::console();
  try {
    assemble(m, inc, n, ne, block_elements, threads);
  } catch (const ZeroVolume& z) {
    con.record(textio::Record().text(" Element").i32(z.element).text("has zero volume"));
    silent_stop();
  } catch (const MissingCoupling& c) {
    static const textio::Layout layout("A,4I7");
    const textio::Item items[] = {std::string_view("Cannot find jcoll"), c.i, c.j, c.rowend, c.rowstart};
    con.fixed(layout, items);
    silent_stop();
  }
}

// The ICCG solve with its records: the tolerance, one progress record per
// test, and the end of the iteration. The solve keeps only what the iteration
// reads; the assembled matrix is released as it is split. A failed iteration
// pauses. Returns whether it converged.
bool solve_iccg(ModelStore& m, std::int32_t n, int threads) {
  textio::Console& con = textio::console();
  IccgSystem s;
  try {
    s = prepare_iccg_lean(m, n, threads);
  } catch (const UnfitPattern& u) {
    con.record(textio::Record().text(" Matrix pattern unfit for ICCG at row ").i32(u.row));
    silent_stop();
  }
  // one record per row whose factor terms overran their row
  for (std::int32_t k = 0; k < s.f.row_faults; ++k) con.record(textio::Record().text("ERROR IN UL MAKING"));
  con.record(textio::Record());
  con.record(textio::Record().text(" Tolerance of ICCG  : ").r32(tol_shown));
  con.record(textio::Record());
  con.record(textio::Record().text(" ICCG iteration begin."));
  StallWatch watch;
  const PcgResult r = pcg_iterate(s, m.rhs, m.pot, m.res, [&con, &watch](std::int32_t iter, double rel) {
    static const textio::Layout layout("1X,I5,A,E14.7");
    const textio::Item items[] = {iter, std::string_view("  |Ax-b|/|b| ="), rel};
    con.fixed(layout, items);
    if (watch.stalled(rel)) {
      static const textio::Layout stall("1X,A,E13.7,A,I4,A");
      const textio::Item said[] = {std::string_view(" The residual has stagnated at "), rel,
                                   std::string_view("; the iteration will run to its limit of "), maxit,
                                   std::string_view(" iterations.")};
      con.fixed(stall, said);
    }
  });
  if (r.converged) {
    con.record(textio::Record().text(" ICCG iteration terminated."));
    con.record(textio::Record());
  } else {
    con.record(textio::Record().text("CONVERGENCE IS FAILED"));
    textio::pause();
  }
  return r.converged;
}

// The element tables and their incidence, which only the pattern search and
// the assembly read: released before the solve makes its copies of the matrix.
void release_elements(ModelStore& m, CornerSlots& inc) {
  inc = CornerSlots();
  std::vector<std::int32_t>().swap(m.ielem);
  std::vector<std::int32_t>().swap(m.imat);
  std::vector<float>().swap(m.sigel);
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
  const int threads = thread_count();  // the threads of the stages that share their work
  m.rhs.assign(static_cast<std::size_t>(n) + 1, 0.0);
  m.pot.assign(static_cast<std::size_t>(n) + 1, 0.0);
  m.res.assign(static_cast<std::size_t>(n) + 1, 0.0);

  say(" Searching Non-zero Terms in Stiffness matrix");
  CornerSlots inc = corner_slots(m, n, ne, threads);  // for the search and the assembly
  find_pattern(m, inc, n, cache_path, threads);
  con.record(textio::Record().text(" # of non-zeros : ").i32(m.irow[n]));

  say(" Assemble the Stiffness matrix ");
  assemble_or_stop(m, inc, n, ne, threads);
  release_elements(m, inc);

  say(" apply dirichlet condition ");
  apply_dirichlet(m, nd);

  say(" ICCG Begins ...");
  const bool converged = solve_iccg(m, n, threads);

  say(" Saving output file to POTENT.OUT");
  write_potentials(m, threads);
  if (!converged) throw textio::Stop{textio::exit_noconv};
}

}  // namespace potsolve
