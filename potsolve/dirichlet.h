// Fixed potentials imposed on the assembled system by symmetric elimination.
#pragma once

#include <cstdint>

#include "potsolve/model.h"

namespace potsolve {

// For each node i = 1..nd in ascending order whose code bcp(i) = -k is negative,
// with v = bval(k): rhs(r) -= v * a(r,i) and a(r,i) = 0 for every row r that
// stores column i (row i and other fixed rows included), then row i becomes the
// unit row and rhs(i) = v.
// The pattern is symmetric, so the rows that store column i are the columns of
// row i; only those are visited, each rhs(r) receives its subtractions in the
// same order (fixed nodes ascending) as a pass over all rows would give, and the
// result is identical to it bit for bit. Codes must satisfy k <= maxbval.
void apply_dirichlet(ModelStore& m, std::int32_t nd);

}  // namespace potsolve
