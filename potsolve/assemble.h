// Global assembly: every element's stiffness matrix added into amat at the
// positions of the sparse pattern.
#pragma once

#include <cstdint>

#include "potsolve/corner_slots.h"
#include "potsolve/model.h"

namespace potsolve {

// Element `element` has corners that span no volume.
struct ZeroVolume {
  std::int32_t element;
};

// The coupling (i, j) of an element is missing from row i of the pattern, whose
// terms are positions rowstart+1 .. rowend.
struct MissingCoupling {
  std::int32_t i, j, rowend, rowstart;
};

// Element matrices held at once: the elements are taken in blocks of this
// many (80 MiB of matrices), so that large models stay within their memory.
constexpr std::int32_t block_elements = 1 << 20;

// Sets amat(1..nnz) and rhs(1..n) to zero, then adds the stiffness matrix of
// every element e = 1..ne: each stored term receives its contributions in
// ascending element order, as an element loop adding local row i, then column
// j, would give them. Needs the pattern irow(0..n), jcol (rows strictly
// increasing) and every corner in 1..n. The first failure in element order
// (an element of zero volume before its own couplings, local row i then column
// j) is thrown as ZeroVolume or MissingCoupling.
// Tests lower block to take the elements in several blocks. Up to `threads`
// threads share the work; the result does not depend on their number.
void assemble(ModelStore& m, std::int32_t n, std::int32_t ne, std::int32_t block = block_elements,
              int threads = 1);
// The same over the elements' incidence, made once for the search and the assembly.
void assemble(ModelStore& m, const CornerSlots& inc, std::int32_t n, std::int32_t ne, std::int32_t block,
              int threads);

}  // namespace potsolve
