#include "potsolve/driver.h"

#include "potsolve/assemble.h"
#include "potsolve/dirichlet.h"
#include "potsolve/iccg.h"
#include "potsolve/pattern.h"
#include "potsolve/potentials.h"
#include "textio/console.h"
#include "textio/errors.h"

namespace potsolve {

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
  assemble(m, n, ne);

  con.record(textio::Record().text(" apply dirichlet condition "));
  apply_dirichlet(m, nd);

  con.record(textio::Record().text(" ICCG Begins ..."));
  const bool converged = iccg_solve(m, n);

  con.record(textio::Record().text(" Saving output file to POTENT.OUT"));
  write_potentials(m);
  if (!converged) throw textio::Stop{textio::exit_noconv};
}

}  // namespace potsolve
