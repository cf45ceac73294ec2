// Global assembly: every element's stiffness matrix added into amat at the
// positions of the sparse pattern.
#pragma once

#include <cstdint>

#include "potsolve/model.h"

namespace potsolve {

// Sets amat(1..nnz) and rhs(1..n) to zero, then adds the stiffness matrix of
// every element e = 1..ne in ascending order, local row i then column j, at the
// pattern positions of its couplings. Needs the pattern irow(0..n), jcol (rows
// strictly increasing) and every corner in 1..n.
// An element of zero volume is reported by its number and ends the run
// (silent_stop); so does a coupling missing from the pattern (find_jcoll).
void assemble(ModelStore& m, std::int32_t n, std::int32_t ne);

// Position p (1-based) of column j in row i: irow(i-1) < p <= irow(i) and
// jcol(p) = j. Found by bisection within the sorted row. When the row lacks j,
// writes "Cannot find jcoll" with i, j, irow(i), irow(i-1) (layout A,4I7) and
// ends the run (silent_stop).
std::int32_t find_jcoll(const ModelStore& m, std::int32_t i, std::int32_t j);

}  // namespace potsolve
