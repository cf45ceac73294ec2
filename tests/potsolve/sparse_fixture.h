// Test matrices for the ICCG stages: symmetric patterns from meshes or at
// random, Laplace and diagonally dominant values, fixed nodes by symmetric
// elimination, and the preconditioner sweeps read literally through itrans.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "common/meshgen.h"
#include "potsolve/iccg.h"
#include "potsolve/model.h"

namespace fixture {

using potsolve::IccgStore;
using potsolve::ModelStore;

// Compressed rows from per-row sorted column sets (1-based rows in rows[1..n]).
inline void load_rows(ModelStore& m, const std::vector<std::set<std::int32_t>>& rows) {
  const std::int32_t n = static_cast<std::int32_t>(rows.size()) - 1;
  m.irow.assign(n + 1, 0);
  m.jcol.assign(1, 0);
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t c : rows[i]) m.jcol.push_back(c);
    m.irow[i] = static_cast<std::int32_t>(m.jcol.size()) - 1;
  }
  m.amat.assign(m.jcol.size(), 0.0);
  m.rhs.assign(n + 1, 0.0);
  m.pot.assign(n + 1, 0.0);
  m.res.assign(n + 1, 0.0);
}

// The full symmetric pattern of a mesh: each node with the nodes of its elements.
inline std::int32_t mesh_pattern(const testmesh::Mesh& mesh, ModelStore& m) {
  std::vector<std::set<std::int32_t>> rows(mesh.nnode + 1);
  for (std::int32_t i = 1; i <= mesh.nnode; ++i) rows[i].insert(i);
  for (std::int32_t e = 1; e <= mesh.nelem; ++e)
    for (int a = 0; a < 4; ++a)
      for (int b = 0; b < 4; ++b) rows[mesh.ielem[4 * e + a]].insert(mesh.ielem[4 * e + b]);
  load_rows(m, rows);
  return mesh.nnode;
}

// A random symmetric pattern of order n: every pair joined with probability q.
inline std::int32_t random_pattern(std::int32_t n, double q, unsigned seed, ModelStore& m) {
  std::mt19937 rng(seed);
  std::bernoulli_distribution join(q);
  std::vector<std::set<std::int32_t>> rows(n + 1);
  for (std::int32_t i = 1; i <= n; ++i) {
    rows[i].insert(i);
    for (std::int32_t j = i + 1; j <= n; ++j)
      if (join(rng)) {
        rows[i].insert(j);
        rows[j].insert(i);
      }
  }
  load_rows(m, rows);
  return n;
}

// Position of (i, j) in the assembled rows, 0 when not stored.
inline std::int32_t find(const ModelStore& m, std::int32_t i, std::int32_t j) {
  for (std::int32_t p = m.irow[i - 1] + 1; p <= m.irow[i]; ++p)
    if (m.jcol[p] == j) return p;
  return 0;
}

// Loads a dense symmetric matrix a[i][j] (1-based, row 0 and column 0 unused):
// the stored terms are the non-zeros and the diagonal.
inline std::int32_t load_dense(ModelStore& m, const std::vector<std::vector<double>>& a) {
  const std::int32_t n = static_cast<std::int32_t>(a.size()) - 1;
  std::vector<std::set<std::int32_t>> rows(n + 1);
  for (std::int32_t i = 1; i <= n; ++i)
    for (std::int32_t j = 1; j <= n; ++j)
      if (i == j || a[i][j] != 0.0) rows[i].insert(j);
  load_rows(m, rows);
  for (std::int32_t i = 1; i <= n; ++i)
    for (std::int32_t p = m.irow[i - 1] + 1; p <= m.irow[i]; ++p) m.amat[p] = a[i][m.jcol[p]];
  return n;
}

// Symmetric, strictly diagonally dominant values on the stored pattern.
inline void dominant_values(std::int32_t n, unsigned seed, ModelStore& m) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> off(-1.0, 0.5);
  std::vector<double> rowsum(n + 1, 0.0);
  for (std::int32_t i = 1; i <= n; ++i)
    for (std::int32_t p = m.irow[i - 1] + 1; p <= m.irow[i]; ++p) {
      const std::int32_t j = m.jcol[p];
      if (j <= i) continue;
      const double v = off(rng);
      m.amat[p] = v;
      m.amat[find(m, j, i)] = v;
      rowsum[i] += std::fabs(v);
      rowsum[j] += std::fabs(v);
    }
  for (std::int32_t i = 1; i <= n; ++i) m.amat[find(m, i, i)] = rowsum[i] + 0.75;
}

// Conduction (Laplace) stiffness of linear tetrahedra with conductivity 1.
inline void laplace_values(const testmesh::Mesh& mesh, ModelStore& m) {
  for (std::int32_t e = 1; e <= mesh.nelem; ++e) {
    std::array<std::int32_t, 4> v;
    std::array<std::array<double, 3>, 4> x;
    for (int a = 0; a < 4; ++a) {
      v[a] = mesh.ielem[4 * e + a];
      for (int c = 0; c < 3; ++c) x[a][c] = mesh.xyz[3 * v[a] + c];
    }
    double j[3][3];
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) j[r][c] = x[c + 1][r] - x[0][r];
    const double det = j[0][0] * (j[1][1] * j[2][2] - j[1][2] * j[2][1]) -
                       j[0][1] * (j[1][0] * j[2][2] - j[1][2] * j[2][0]) +
                       j[0][2] * (j[1][0] * j[2][1] - j[1][1] * j[2][0]);
    // Gradients of the barycentric functions: rows of the inverse Jacobian.
    std::array<std::array<double, 3>, 4> g;
    for (int c = 0; c < 3; ++c) {
      const int c1 = (c + 1) % 3, c2 = (c + 2) % 3;
      g[1][c] = (j[c1][1] * j[c2][2] - j[c1][2] * j[c2][1]) / det;
      g[2][c] = (j[c1][2] * j[c2][0] - j[c1][0] * j[c2][2]) / det;
      g[3][c] = (j[c1][0] * j[c2][1] - j[c1][1] * j[c2][0]) / det;
      g[0][c] = -(g[1][c] + g[2][c] + g[3][c]);
    }
    const double vol = std::fabs(det) / 6.0;
    for (int a = 0; a < 4; ++a)
      for (int b = 0; b < 4; ++b)
        m.amat[find(m, v[a], v[b])] +=
            vol * (g[a][0] * g[b][0] + g[a][1] * g[b][1] + g[a][2] * g[b][2]);
  }
}

// Holds the listed nodes at their values by symmetric elimination.
inline void fix_nodes(std::int32_t n, const std::vector<std::pair<std::int32_t, double>>& fixed,
                      ModelStore& m) {
  for (const auto& [i, v] : fixed) {
    for (std::int32_t r = 1; r <= n; ++r)
      if (const std::int32_t p = find(m, r, i)) {
        m.rhs[r] -= v * m.amat[p];
        m.amat[p] = 0.0;
      }
    for (std::int32_t p = m.irow[i - 1] + 1; p <= m.irow[i]; ++p)
      m.amat[p] = m.jcol[p] == i ? 1.0 : 0.0;
  }
  for (const auto& [i, v] : fixed) m.rhs[i] = v;
}

// Split, factor, map and upper copies, as iccg_solve prepares them.
inline void prepare(std::int32_t n, ModelStore& m, IccgStore& s) {
  s.size_for(n, m.irow[n]);
  potsolve::split_triangles(n, m, s);
  potsolve::factorize_ic(n, m, s);
  potsolve::build_transpose_map(n, m, s);
  potsolve::copy_upper_values(m, s);
}

// z = M^-1 r with every upper factor read as amat(nhalf + itrans(m)).
inline void literal_precond(std::int32_t n, const ModelStore& m, const IccgStore& s,
                            const std::vector<double>& r, std::vector<double>& z) {
  for (std::int32_t i = 1; i <= n; ++i) {
    double t = r[i];
    for (std::int32_t p = m.irow[i - 1] + 1; p <= m.irow[i]; ++p)
      t = t - m.amat[s.nhalf + p] * z[m.jcol[p]];
    z[i] = t * m.amat[s.nlow + i];
  }
  for (std::int32_t i = n; i >= 1; --i) {
    double t = 0.0;
    for (std::int32_t u = s.iup[i - 1] + 1; u <= s.iup[i]; ++u)
      t = t + m.amat[s.nhalf + s.itrans[u]] * z[m.jcol[s.nhalf + u]];
    z[i] = z[i] - t * m.amat[s.nlow + i];
  }
}

// Bitwise equality of two double vectors over 1..n.
inline bool same_bits(std::int32_t n, const std::vector<double>& a, const std::vector<double>& b) {
  for (std::int32_t i = 1; i <= n; ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(double)) != 0) return false;
  return true;
}

}  // namespace fixture
