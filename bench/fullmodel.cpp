#include "fullmodel.h"

#include <cmath>
#include <random>
#include <utility>

#include "shared/model_writer.h"

namespace bench {

Model make_brick(int c) {
  Model m;
  m.mesh = testmesh::brick(c, c, c, 1.0f, 3);
  m.boundary = testmesh::end_faces(m.mesh, static_cast<float>(c), {0.33f, 0.0132f, 1.79f});
  m.nfixed = static_cast<std::int32_t>(m.boundary.bcp.size());
  return m;
}

Model shuffle_nodes(const Model& m, std::uint32_t seed) {
  const std::int32_t n = m.mesh.nnode;
  std::vector<std::int32_t> perm(static_cast<std::size_t>(n) + 1);
  // the identity, then Fisher-Yates from the top with a 64-bit draw per slot
  for (std::int32_t i = 0; i <= n; ++i) perm[i] = i;
  std::mt19937_64 rng(seed);
  for (std::int32_t i = n; i > 1; --i) std::swap(perm[i], perm[1 + static_cast<std::int32_t>(rng() % i)]);
  Model out = m;
  // coordinates to their new numbers
  for (std::int32_t i = 1; i <= n; ++i)
    for (int c = 0; c < 3; ++c) out.mesh.xyz[3 * perm[i] + c] = m.mesh.xyz[3 * i + c];
  // corners and fixed nodes renumbered
  for (std::size_t k = 4; k < out.mesh.ielem.size(); ++k) out.mesh.ielem[k] = perm[m.mesh.ielem[k]];
  for (auto& [node, code] : out.boundary.bcp) node = perm[node];
  return out;
}

std::vector<float> sheet_points(const Model& m, int pu, int pv) {
  float hi = 0.0f;
  // extent of the brick
  for (std::int32_t i = 1; i <= m.mesh.nnode; ++i) hi = std::max(hi, m.mesh.xyz[3 * i]);
  std::vector<float> p;
  p.reserve(3 * static_cast<std::size_t>(pu) * pv);
  // a wavy sheet z = f(x, y) inside the brick, row by row
  for (int v = 0; v < pv; ++v)
    for (int u = 0; u < pu; ++u) {
      const double x = hi * (0.03 + 0.94 * u / (pu - 1.0));
      const double y = hi * (0.03 + 0.94 * v / (pv - 1.0));
      const double z = hi * (0.5 + 0.2 * std::sin(x / hi * 9.0) * std::cos(y / hi * 7.0));
      p.push_back(static_cast<float>(x));
      p.push_back(static_cast<float>(y));
      p.push_back(static_cast<float>(z));
    }
  return p;
}

std::int32_t write_all(const std::string& dir, const Model& m, int pu, int pv) {
  model_files::Model out = testmesh::model_of(m.mesh, m.boundary, 0.001f);
  out.reference = model_files::Reference{78.5, 2.0};
  const std::vector<float> p = sheet_points(m, pu, pv);
  // the points
  for (std::size_t k = 0; k + 2 < p.size(); k += 3) out.cortex.push_back({p[k], p[k + 1], p[k + 2]});
  // two triangles per grid cell, points from 0
  for (int v = 0; v + 1 < pv; ++v)
    for (int u = 0; u + 1 < pu; ++u) {
      const int a = u + pu * v, b = a + 1, c = a + pu, d = c + 1;
      out.tri.push_back({a, b, d});
      out.tri.push_back({a, d, c});
    }
  model_files::write_model(out, dir);
  return static_cast<std::int32_t>(out.cortex.size());
}

}  // namespace bench
