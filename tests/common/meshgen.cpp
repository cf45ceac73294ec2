#include "common/meshgen.h"

#include "shared/model_writer.h"
#include "tools/cubegrid.h"

#include <array>
#include <cstdio>
#include <random>
#include <set>
#include <utility>

namespace testmesh {

Mesh odd_nodes_first(const Mesh& mesh) {
  std::vector<std::int32_t> to(static_cast<std::size_t>(mesh.nnode) + 1);
  std::int32_t next = 0;
  for (int odd : {1, 0})
    for (std::int32_t i = 1; i <= mesh.nnode; ++i)
      if (i % 2 == odd) to[i] = ++next;
  Mesh renumbered = mesh;
  for (std::int32_t i = 1; i <= mesh.nnode; ++i)
    for (int c = 0; c < 3; ++c)
      renumbered.xyz[3 * static_cast<std::size_t>(to[i]) + c] = mesh.xyz[3 * static_cast<std::size_t>(i) + c];
  for (std::size_t k = 4; k < mesh.ielem.size(); ++k) renumbered.ielem[k] = to[mesh.ielem[k]];
  return renumbered;
}

Mesh brick(int nx, int ny, int nz, float h, int nmat) {
  // makemodel's grid of cubes, every tetrahedron kept, with material 1
  makemodel::CubeGrid grid;
  grid.cells = {nx, ny, nz};
  grid.step = h;
  makemodel::Model made;
  makemodel::cube_mesh(grid, [](const std::array<double, 3>&) { return 1; }, made);
  Mesh m = model_files::tables(made);
  // materials in layers along x of the cube's position
  for (std::int32_t e = 0; e < m.nelem; ++e) {
    const int i = (e / 6) % nx;
    m.imat[e + 1] = nmat > 1 ? 1 + (i * nmat) / nx : 1;
  }
  return m;
}

Mesh random_mesh(int nnode, int nelem, unsigned seed, double repeat_fraction, int isolated) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> coord(0.0f, 1.0f);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Mesh m;
  m.nnode = nnode;
  m.xyz.assign(3 * (nnode + 1), 0.0f);
  for (int i = 1; i <= nnode; ++i)
    for (int c = 0; c < 3; ++c) m.xyz[3 * i + c] = coord(rng);
  // Nodes that no element may use.
  std::set<int> lonely;
  while (static_cast<int>(lonely.size()) < isolated && static_cast<int>(lonely.size()) < nnode - 4)
    lonely.insert(1 + static_cast<int>(rng() % nnode));
  const int window = 12;
  auto pick = [&](int base) {
    for (;;) {
      int v = base + static_cast<int>(rng() % (2 * window + 1)) - window;
      if (v < 1) v += nnode;
      if (v > nnode) v -= nnode;
      if (v >= 1 && v <= nnode && !lonely.count(v)) return v;
    }
  };
  m.nelem = nelem;
  m.ielem.assign(4 * (nelem + 1), 0);
  m.imat.assign(nelem + 1, 1);
  for (int e = 1; e <= nelem; ++e) {
    const int base = pick(1 + static_cast<int>(rng() % nnode));
    int c[4] = {base, 0, 0, 0};
    for (int k = 1; k < 4; ++k) {
      int v;
      do v = pick(base);
      while (v == c[0] || v == c[1] || v == c[2]);
      c[k] = v;
    }
    if (unit(rng) < repeat_fraction) c[1 + rng() % 3] = c[rng() % 4];
    for (int k = 0; k < 4; ++k) m.ielem[4 * e + k] = c[k];
    m.imat[e] = 1 + static_cast<int>(rng() % 3);
  }
  return m;
}

model_files::Model model_of(const Mesh& m, const Boundary& b, float scale) {
  model_files::Model out;
  out.scale = scale;
  // nodes and elements from 0
  for (int i = 1; i <= m.nnode; ++i) out.xyz.push_back({m.xyz[3 * i], m.xyz[3 * i + 1], m.xyz[3 * i + 2]});
  for (int e = 1; e <= m.nelem; ++e) {
    out.elem.push_back({m.ielem[4 * e] - 1, m.ielem[4 * e + 1] - 1, m.ielem[4 * e + 2] - 1, m.ielem[4 * e + 3] - 1});
    out.mat.push_back(m.imat[e]);
  }
  out.prop.assign(b.prop.begin(), b.prop.end());
  out.bval.assign(b.bval.begin(), b.bval.end());
  for (const auto& [node, code] : b.bcp) out.bcp.emplace_back(node - 1, code);
  return out;
}

void write_model(const std::string& dir, const Mesh& m, const Boundary& b, float scale) {
  model_files::write_model(model_of(m, b, scale), dir);
}

Boundary end_faces(const Mesh& mesh, float length, std::vector<float> prop) {
  Boundary b;
  b.prop = std::move(prop);
  b.bval = {1.0f, 0.0f};
  // the two end faces, nodes ascending
  for (std::int32_t i = 1; i <= mesh.nnode; ++i) {
    const float x = mesh.xyz[3 * i];
    if (x == 0.0f) b.bcp.push_back({i, -1});
    if (x == length) b.bcp.push_back({i, -2});
  }
  return b;
}

}  // namespace testmesh
