// Reference versions of the assembly stages, written as the plain loops that the
// solver's fast versions must match bit for bit: find_jcoll's linear scan, the
// assembly built on it, and the Dirichlet pass over all rows for every fixed
// node. Also builds solver tables and their pattern straight from a test mesh.
#pragma once

#include <cstdint>
#include <cstring>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/meshgen.h"
#include "potsolve/element.h"
#include "potsolve/model.h"

namespace literal {

// The pattern of the mesh in m: row i holds i and every node that shares an
// element with i, ascending. Sizes amat (nnz + 1) and rhs (nnode + 1).
inline void build_pattern(potsolve::ModelStore& m) {
  const std::int32_t n = m.nnode;
  std::vector<std::set<std::int32_t>> rows(n + 1);
  // each node is its own neighbour
  for (std::int32_t i = 1; i <= n; ++i) rows[i].insert(i);
  // every pair of corners of an element
  for (std::int32_t e = 1; e <= m.nelem; ++e)
    for (int k = 0; k < 4; ++k)
      for (int l = 0; l < 4; ++l) rows[m.ielem[4 * e + k]].insert(m.ielem[4 * e + l]);
  m.irow.assign(n + 1, 0);
  m.jcol.assign(1, 0);
  // rows in order, columns ascending
  for (std::int32_t i = 1; i <= n; ++i) {
    m.jcol.insert(m.jcol.end(), rows[i].begin(), rows[i].end());
    m.irow[i] = static_cast<std::int32_t>(m.jcol.size()) - 1;
  }
  m.amat.assign(m.jcol.size(), 0.0);
  m.rhs.assign(n + 1, 0.0);
}

// Solver tables for a mesh: conductivity prop(material) per element, all nodes
// free, and the pattern of the mesh itself.
inline potsolve::ModelStore make_store(const testmesh::Mesh& mesh,
                                       const std::vector<float>& prop = {1.0f, 0.25f, 3.5f}) {
  potsolve::ModelStore m;
  m.nnode = mesh.nnode;
  m.xyz = mesh.xyz;
  m.nelem = mesh.nelem;
  m.ielem = mesh.ielem;
  m.imat = mesh.imat;
  m.sigel.assign(m.nelem + 1, 0.0f);
  for (std::int32_t e = 1; e <= m.nelem; ++e) m.sigel[e] = prop[m.imat[e] - 1];
  m.bcp.assign(m.nnode + 1, 0);
  build_pattern(m);
  return m;
}

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

// Index of the first entry whose bit pattern differs, -1 when all agree (so +0.0
// and -0.0 differ, and equal NaNs agree).
inline long first_bit_difference(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return 0;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (std::memcmp(&a[k], &b[k], sizeof(double)) != 0) return static_cast<long>(k);
  return -1;
}

}  // namespace literal
