#include "potsolve/dirichlet.h"

#include <algorithm>

namespace potsolve {

void apply_dirichlet(ModelStore& m, std::int32_t nd) {
  // fixed nodes in ascending order
  for (std::int32_t i = 1; i <= nd; ++i) {
    if (m.bcp[i] >= 0) continue;
    const double v = static_cast<double>(m.bval[-m.bcp[i]]);
    const std::int32_t lo = m.irow[i - 1] + 1;
    const std::int32_t hi = m.irow[i];

    // column elimination: the rows r holding column i are the columns of row i
    for (std::int32_t q = lo; q <= hi; ++q) {
      const std::int32_t r = m.jcol[q];
      const std::int32_t* first = m.jcol.data() + m.irow[r - 1] + 1;
      const std::int32_t* last = m.jcol.data() + m.irow[r] + 1;
      const std::int32_t* p = std::lower_bound(first, last, i);
      if (p == last || *p != i) continue;  // cannot happen in a symmetric pattern
      double& a = m.amat[p - m.jcol.data()];
      m.rhs[r] -= v * a;
      a = 0.0;
    }

    // row replacement: the unit row
    for (std::int32_t q = lo; q <= hi; ++q) m.amat[q] = m.jcol[q] == i ? 1.0 : 0.0;
    m.rhs[i] = v;
  }
}

}  // namespace potsolve
