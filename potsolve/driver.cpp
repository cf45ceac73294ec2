#include "potsolve/driver.h"

#include <string_view>

#include "potsolve/assemble.h"
#include "potsolve/dirichlet.h"
#include "potsolve/iccg.h"
#include "potsolve/pattern.h"
#include "potsolve/potentials.h"
#include "potsolve/stop.h"
#include "textio/console.h"
#include "textio/errors.h"
#include "textio/layout.h"

namespace potsolve {

namespace {

// The assembly; a zero-volume element or a coupling missing from the pattern
// is reported and ends the run.
void assemble_or_stop(ModelStore& m, std::int32_t n, std::int32_t ne) {
  textio::Console& con = textio::console();
  try {
    assemble(m, n, ne);
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
// test, and the end of the iteration. A failed iteration pauses. Returns
// whether it converged.
bool solve_iccg(ModelStore& m, std::int32_t n) {
  textio::Console& con = textio::console();
  IccgSystem s;
  try {
    s = prepare_iccg(m, n);
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
  const PcgResult r = pcg_iterate(s, m.rhs, m.pot, m.res, [&con](std::int32_t iter, double rel) {
    static const textio::Layout layout("1X,I5,A,E14.7");
    const textio::Item items[] = {iter, std::string_view("  |Ax-b|/|b| ="), rel};
    con.fixed(layout, items);
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

}  // namespace

void run_solver(ModelStore& m, const std::string& cache_path) {
  textio::Console& con = textio::console();
  std::int32_t n = m.nnode;        // matrix order
  const std::int32_t ne = m.nelem;
  const std::int32_t nd = m.nnode; // nodes examined for fixed potentials
  m.rhs.assign(static_cast<std::size_t>(n) + 1, 0.0);
  m.pot.assign(static_cast<std::size_t>(n) + 1, 0.0);
  m.res.assign(static_cast<std::size_t>(n) + 1, 0.0);

  con.record(textio::Record().text(" Searching Non-zero Terms in Stiffness matrix"));
  search_pattern(m, n, ne, cache_path);
  con.record(textio::Record().text(" # of non-zeros : ").i32(m.irow[n]));

  con.record(textio::Record().text(" Assemble the Stiffness matrix "));
  assemble_or_stop(m, n, ne);

  con.record(textio::Record().text(" apply dirichlet condition "));
  apply_dirichlet(m, nd);

  con.record(textio::Record().text(" ICCG Begins ..."));
  const bool converged = solve_iccg(m, n);

  con.record(textio::Record().text(" Saving output file to POTENT.OUT"));
  write_potentials(m);
  if (!converged) throw textio::Stop{textio::exit_noconv};
}

}  // namespace potsolve
