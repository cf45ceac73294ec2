#include "sphere.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

#include "cubegrid.h"
#include "icosphere.h"

namespace makemodel {

std::array<int, 4> shell_layers(int divisions) {
  return {divisions / 2, divisions / 8, divisions / 8, divisions / 8};
}

double anode_area() {
  const double s = std::sin(std::numbers::pi / 16);
  return 4.0 * std::asin(s * s) * shell_radius[3] * shell_radius[3];
}

namespace {

using Vec = std::array<double, 3>;

double norm(const Vec& p) { return std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]); }

// The nodes are named by a layer and a point of the central cube's grid:
// layer 0 is the central cube itself, layer l > 0 the l-th layer outside it,
// where the point names a node of the cube's surface, the foot of the node.
struct Layout {
  int half;                  // half the divisions
  std::array<int, 4> layers; // radial layers per shell
  std::array<int, 5> first;  // first[s]: the last layer inside shell s (first[0] = 0)

  int width() const { return 2 * half + 1; }
  std::int64_t key(int layer, int x, int y, int z) const {
    const std::int64_t w = width();
    return ((std::int64_t(layer) * w + (x + half)) * w + (y + half)) * w + (z + half);
  }
  std::int64_t keys() const { return std::int64_t(first[4] + 1) * width() * width() * width(); }

  // Position of a node (mm).
  Vec position(int layer, int x, int y, int z) const {
    const Vec foot = {core_half * x / half, core_half * y / half, core_half * z / half};
    if (layer == 0) return foot;
    // the direction of the foot, with equal angles between neighbouring nodes
    Vec d = {std::tan(std::numbers::pi / 4 * x / half), std::tan(std::numbers::pi / 4 * y / half),
             std::tan(std::numbers::pi / 4 * z / half)};
    const double len = norm(d);
    for (auto& c : d) c /= len;
    if (layer <= first[1]) {
      // the brain: from the flat cube face to the brain surface
      const double t = double(layer) / first[1];
      return {(1 - t) * foot[0] + t * shell_radius[0] * d[0], (1 - t) * foot[1] + t * shell_radius[0] * d[1],
              (1 - t) * foot[2] + t * shell_radius[0] * d[2]};
    }
    int s = 1;
    while (layer > first[s + 1]) ++s;
    const double r = shell_radius[s - 1] + (shell_radius[s] - shell_radius[s - 1]) * (layer - first[s]) / layers[s];
    return {r * d[0], r * d[1], r * d[2]};
  }

  // Material of the cubes between layer and layer + 1.
  int material(int layer) const {
    int s = 1;
    while (layer >= first[s]) ++s;
    return s;
  }
};

}  // namespace

Model sphere_model(const SphereOptions& opt) {
  if (opt.divisions < 8 || opt.divisions % 8 != 0) throw std::invalid_argument("the divisions must be a multiple of 8");
  if (!(opt.cortex_radius > 0.0 && opt.cortex_radius < shell_radius[0]))
    throw std::invalid_argument("the cortex must lie inside the brain (radius below 80 mm)");
  Layout g;
  g.half = opt.divisions / 2;
  g.layers = shell_layers(opt.divisions);
  g.first[0] = 0;
  for (int s = 0; s < 4; ++s) g.first[s + 1] = g.first[s] + g.layers[s];
  const int h = g.half;

  // tetrahedra as corner keys, with their materials
  std::vector<std::array<std::int64_t, 4>> tets;
  std::vector<std::int32_t> mats;
  // the central cube, cut in x, y, z
  for (int k = -h; k < h; ++k)
    for (int j = -h; j < h; ++j)
      for (int i = -h; i < h; ++i)
        for (const auto& t : kuhn_corner) {
          std::array<std::int64_t, 4> c{};
          for (int v = 0; v < 4; ++v) c[v] = g.key(0, i + (t[v] & 1), j + (t[v] >> 1 & 1), k + (t[v] >> 2 & 1));
          tets.push_back(c);
          mats.push_back(1);
        }
  // the six face blocks: normal axis a pointing to side, tangential axes u < w
  for (int a = 0; a < 3; ++a)
    for (int side : {1, -1}) {
      const int u = a == 0 ? 1 : 0, w = a == 2 ? 1 : 2;
      // (e_u, e_w, outward) is right-handed for +x, -y, +z; otherwise swap two corners
      const bool mirrored = (a == 1) == (side > 0);
      for (int l = 0; l < g.first[4]; ++l)
        for (int q = -h; q < h; ++q)
          for (int p = -h; p < h; ++p)
            for (const auto& t : kuhn_corner) {
              std::array<std::int64_t, 4> c{};
              for (int v = 0; v < 4; ++v) {
                int foot[3];
                foot[a] = side * h;
                foot[u] = p + (t[v] & 1);
                foot[w] = q + (t[v] >> 1 & 1);
                c[v] = g.key(l + (t[v] >> 2 & 1), foot[0], foot[1], foot[2]);
              }
              if (mirrored) std::swap(c[2], c[3]);
              tets.push_back(c);
              mats.push_back(g.material(l));
            }
    }

  // number the nodes layer by layer, and within a layer z, y, x ascending
  std::vector<std::int32_t> number(g.keys(), -1);
  for (const auto& c : tets)
    for (auto key : c) number[key] = 0;
  Model m;
  std::int32_t next = 0;
  for (int l = 0; l <= g.first[4]; ++l)
    for (int z = -h; z <= h; ++z)
      for (int y = -h; y <= h; ++y)
        for (int x = -h; x <= h; ++x) {
          const auto key = g.key(l, x, y, z);
          if (number[key] < 0) continue;
          number[key] = next++;
          m.xyz.push_back(g.position(l, x, y, z));
        }
  m.elem.resize(tets.size());
  // the elements in node numbers
  for (std::size_t e = 0; e < tets.size(); ++e)
    for (int v = 0; v < 4; ++v) m.elem[e][v] = number[tets[e][v]];
  m.mat = mats;
  m.prop.assign(shell_sigma, shell_sigma + 4);

  // the electrodes: the outermost nodes over a square about either pole
  m.bval = {opt.volts, 0.0};
  const int top = g.first[4];
  // anode nodes first, then cathode nodes, each in node order
  for (int side : {1, -1}) {
    const int reach = side > 0 ? h / 4 : h / 2;
    for (int y = -reach; y <= reach; ++y)
      for (int x = -reach; x <= reach; ++x)
        m.bcp.push_back({number[g.key(top, x, y, side * h)], side > 0 ? -1 : -2});
  }

  m.reference = model_files::Reference{anode_area(), opt.current};
  icosphere(opt.cortex_radius, opt.cortex_level, {0.0, 0.0, 0.0}, m);
  return m;
}

}  // namespace makemodel
