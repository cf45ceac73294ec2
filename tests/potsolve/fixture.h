// Solver tables for the stage tests: stores and patterns from generated meshes
// or at random, diagonally dominant values, bitwise comparison and the cache
// text of a pattern.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/meshgen.h"
#include "potsolve/literal_assembly.h"
#include "potsolve/iccg.h"
#include "potsolve/model.h"
#include "textio/layout.h"
#include "textio/record.h"

namespace fixture {

using potsolve::ModelStore;
using Ints = std::vector<std::int32_t>;
using literal::find_jcoll;

// The mesh's nodes and elements, nothing else.
inline ModelStore store_of(const testmesh::Mesh& mesh) {
  ModelStore m;
  m.nnode = mesh.nnode;
  m.xyz = mesh.xyz;
  m.nelem = mesh.nelem;
  m.ielem = mesh.ielem;
  m.imat = mesh.imat;
  return m;
}

// n nodes and the given elements (1-based corners).
inline ModelStore store_of(std::int32_t n, const std::vector<std::array<int, 4>>& elems) {
  testmesh::Mesh mesh;
  mesh.nnode = n;
  mesh.nelem = static_cast<std::int32_t>(elems.size());
  mesh.ielem.assign(4, 0);
  for (const auto& e : elems) mesh.ielem.insert(mesh.ielem.end(), e.begin(), e.end());
  return store_of(mesh);
}

// Compressed rows from per-row sorted column sets (1-based rows in rows[1..n]);
// amat, rhs, pot and res zeroed to fit.
inline void load_rows(ModelStore& m, const std::vector<std::set<std::int32_t>>& rows) {
  const std::int32_t n = static_cast<std::int32_t>(rows.size()) - 1;
  m.irow.assign(n + 1, 0);
  m.jcol.assign(1, 0);
  // rows in order, columns ascending
  for (std::int32_t i = 1; i <= n; ++i) {
    m.jcol.insert(m.jcol.end(), rows[i].begin(), rows[i].end());
    m.irow[i] = static_cast<std::int32_t>(m.jcol.size()) - 1;
  }
  m.amat.assign(m.jcol.size(), 0.0);
  m.rhs.assign(n + 1, 0.0);
  m.pot.assign(n + 1, 0.0);
  m.res.assign(n + 1, 0.0);
}

// The pattern of a mesh: row i holds i and every node that shares an element with i.
inline std::int32_t mesh_pattern(const testmesh::Mesh& mesh, ModelStore& m) {
  std::vector<std::set<std::int32_t>> rows(mesh.nnode + 1);
  // each node is its own neighbour
  for (std::int32_t i = 1; i <= mesh.nnode; ++i) rows[i].insert(i);
  // every pair of corners of an element
  for (std::int32_t e = 1; e <= mesh.nelem; ++e)
    for (int a = 0; a < 4; ++a)
      for (int b = 0; b < 4; ++b) rows[mesh.ielem[4 * e + a]].insert(mesh.ielem[4 * e + b]);
  load_rows(m, rows);
  return mesh.nnode;
}

// Tables ready for the assembly: conductivity prop(material) per element, all
// nodes free, and the pattern of the mesh itself.
inline ModelStore make_store(const testmesh::Mesh& mesh,
                             const std::vector<float>& prop = {1.0f, 0.25f, 3.5f}) {
  ModelStore m = store_of(mesh);
  m.sigel.assign(m.nelem + 1, 0.0f);
  for (std::int32_t e = 1; e <= m.nelem; ++e) m.sigel[e] = prop[m.imat[e] - 1];
  m.bcp.assign(m.nnode + 1, 0);
  mesh_pattern(mesh, m);
  return m;
}

// A random symmetric pattern of order n: every pair joined with probability q.
inline std::int32_t random_pattern(std::int32_t n, double q, unsigned seed, ModelStore& m) {
  std::mt19937 rng(seed);
  std::bernoulli_distribution join(q);
  std::vector<std::set<std::int32_t>> rows(n + 1);
  // the diagonal, and each pair drawn once for both rows
  for (std::int32_t i = 1; i <= n; ++i) {
    rows[i].insert(i);
    for (std::int32_t j = i + 1; j <= n; ++j)
      if (join(rng)) rows[i].insert(j), rows[j].insert(i);
  }
  load_rows(m, rows);
  return n;
}

// A dense symmetric matrix a[i][j] (1-based, row 0 and column 0 unused): the
// stored terms are the non-zeros and the diagonal.
inline std::int32_t load_dense(ModelStore& m, const std::vector<std::vector<double>>& a) {
  const std::int32_t n = static_cast<std::int32_t>(a.size()) - 1;
  std::vector<std::set<std::int32_t>> rows(n + 1);
  // the non-zero positions
  for (std::int32_t i = 1; i <= n; ++i)
    for (std::int32_t j = 1; j <= n; ++j)
      if (i == j || a[i][j] != 0.0) rows[i].insert(j);
  load_rows(m, rows);
  // their values
  for (std::int32_t i = 1; i <= n; ++i)
    for (std::int32_t p = m.irow[i - 1] + 1; p <= m.irow[i]; ++p) m.amat[p] = a[i][m.jcol[p]];
  return n;
}

// Symmetric, strictly diagonally dominant values on the stored pattern.
inline void dominant_values(std::int32_t n, unsigned seed, ModelStore& m) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> off(-1.0, 0.5);
  std::vector<double> rowsum(n + 1, 0.0);
  // each upper term and its mirror
  for (std::int32_t i = 1; i <= n; ++i)
    for (std::int32_t p = m.irow[i - 1] + 1; p <= m.irow[i]; ++p) {
      const std::int32_t j = m.jcol[p];
      if (j <= i) continue;
      m.amat[p] = m.amat[find_jcoll(m, j, i)] = off(rng);
      rowsum[i] += std::fabs(m.amat[p]);
      rowsum[j] += std::fabs(m.amat[p]);
    }
  for (std::int32_t i = 1; i <= n; ++i) m.amat[find_jcoll(m, i, i)] = rowsum[i] + 0.75;
}

// Index of the first entry from `from` on whose bit pattern differs, -1 when all
// agree (so +0.0 and -0.0 differ, and equal NaNs agree); 0 for unequal sizes.
inline long first_bit_difference(const std::vector<double>& a, const std::vector<double>& b,
                                 std::size_t from = 0) {
  if (a.size() != b.size()) return 0;
  for (std::size_t k = from; k < a.size(); ++k)
    if (std::memcmp(&a[k], &b[k], sizeof(double)) != 0) return static_cast<long>(k);
  return -1;
}

// The cache text of a pattern by the generic record writers: n, then irow(1..n)
// and jcol(1..nnz) under the layout "12I8".
inline std::string cache_text(std::int32_t n, const Ints& irow, const Ints& jcol) {
  const auto twelve_i8 = [](const Ints& v, std::size_t to) {
    return textio::render(textio::Layout("12I8"), std::vector<textio::Item>(v.begin() + 1, v.begin() + to + 1));
  };
  return textio::Record().i32(n).str() + "\n" + twelve_i8(irow, n) + twelve_i8(jcol, irow[n]);
}

}  // namespace fixture
