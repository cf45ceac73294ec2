// Reference versions of the assembly stages, written as the plain loops that the
// solver's fast versions must match bit for bit: find_jcoll's linear scan, the
// assembly built on it, and the Dirichlet pass over all rows for every fixed
// node.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "potsolve/element.h"
#include "potsolve/model.h"

namespace literal {

// find_jcoll as a linear scan of row i: the first position holding column j,
// 0 when there is none.
inline std::int32_t find_jcoll(const potsolve::ModelStore& m, std::int32_t i, std::int32_t j) {
  for (std::int32_t p = m.irow[i - 1] + 1; p <= m.irow[i]; ++p)
    if (m.jcol[p] == j) return p;
  return 0;
}

// The assembly with the linear scan: elements ascending, local row i then column j.
inline void assemble(potsolve::ModelStore& m, std::int32_t n, std::int32_t ne) {
  for (std::size_t p = 1; p < m.amat.size(); ++p) m.amat[p] = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) m.rhs[i] = 0.0;
  for (std::int32_t e = 1; e <= ne; ++e) {
    std::int32_t enodes[4];
    float xe[3][4];
    for (int k = 0; k < 4; ++k) {
      enodes[k] = m.ielem[4 * e + k];
      for (int c = 0; c < 3; ++c) xe[c][k] = m.xyz[3 * enodes[k] + c];
    }
    double ek[4][4], fe[4];
    if (!potsolve::element_matrix(xe, m.sigel[e], ek, fe))
      throw std::runtime_error("zero volume in element " + std::to_string(e));
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) {
        const std::int32_t p = find_jcoll(m, enodes[i], enodes[j]);
        if (p == 0) throw std::runtime_error("coupling missing from the pattern");
        m.amat[p] = m.amat[p] + ek[i][j];
      }
      m.rhs[enodes[i]] = m.rhs[enodes[i]] + fe[i];
    }
  }
}

// The Dirichlet pass: for every fixed node, every stored term of every row.
inline void apply_dirichlet(potsolve::ModelStore& m, std::int32_t nnode) {
  for (std::int32_t i = 1; i <= nnode; ++i) {
    if (m.bcp[i] >= 0) continue;
    const double v = static_cast<double>(m.bval[-m.bcp[i]]);
    for (std::int32_t r = 1; r <= nnode; ++r)
      for (std::int32_t p = m.irow[r - 1] + 1; p <= m.irow[r]; ++p)
        if (m.jcol[p] == i) {
          m.rhs[r] = m.rhs[r] - v * m.amat[p];
          m.amat[p] = 0.0;
        }
    for (std::int32_t p = m.irow[i - 1] + 1; p <= m.irow[i]; ++p) {
      m.amat[p] = 0.0;
      if (m.jcol[p] == i) m.amat[p] = 1.0;
    }
    m.rhs[i] = v;
  }
}

}  // namespace literal
