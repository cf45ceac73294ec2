#include "icosphere.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <utility>

namespace makemodel {

void icosphere(double radius, int level, const std::array<double, 3>& centre, Model& model) {
  // the icosahedron on the unit sphere
  const double t = (1.0 + std::sqrt(5.0)) / 2.0;
  std::vector<std::array<double, 3>> p = {{-1, t, 0}, {1, t, 0},  {-1, -t, 0}, {1, -t, 0},
                                          {0, -1, t}, {0, 1, t},  {0, -1, -t}, {0, 1, -t},
                                          {t, 0, -1}, {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
  std::vector<std::array<std::int32_t, 3>> tri = {
      {0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
      {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
      {3, 8, 9},  {4, 9, 5},  {2, 4, 11},  {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
  auto unit = [](std::array<double, 3> v) {
    const double r = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (auto& c : v) c /= r;
    return v;
  };
  // put the twelve corners on the sphere
  for (auto& v : p) v = unit(v);

  // refine level times: each triangle into four, one new point per edge
  for (int l = 0; l < level; ++l) {
    std::map<std::pair<std::int32_t, std::int32_t>, std::int32_t> middle;
    auto mid = [&](std::int32_t a, std::int32_t b) {
      const std::pair<std::int32_t, std::int32_t> key{std::min(a, b), std::max(a, b)};
      auto it = middle.find(key);
      if (it != middle.end()) return it->second;
      const std::int32_t m = static_cast<std::int32_t>(p.size());
      p.push_back(unit({p[a][0] + p[b][0], p[a][1] + p[b][1], p[a][2] + p[b][2]}));
      middle.emplace(key, m);
      return m;
    };
    std::vector<std::array<std::int32_t, 3>> finer;
    finer.reserve(4 * tri.size());
    // split every triangle at its edge midpoints
    for (const auto& f : tri) {
      const auto ab = mid(f[0], f[1]), bc = mid(f[1], f[2]), ca = mid(f[2], f[0]);
      finer.push_back({f[0], ab, ca});
      finer.push_back({f[1], bc, ab});
      finer.push_back({f[2], ca, bc});
      finer.push_back({ab, bc, ca});
    }
    tri.swap(finer);
  }

  model.cortex.clear();
  // scale and move the points into place
  for (const auto& v : p)
    model.cortex.push_back({centre[0] + radius * v[0], centre[1] + radius * v[1], centre[2] + radius * v[2]});
  model.tri = tri;
}

}  // namespace makemodel
