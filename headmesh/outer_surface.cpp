#include "headmesh/outer_surface.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>

namespace headmesh {

const int tet_side[4][3] = {{1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}};

std::vector<Tri> boundary_faces(const std::vector<Tet>& tets, const std::vector<bool>& keep) {
  const auto& side = tet_side;
  std::int32_t nnode = 0;
  for (const Tet& t : tets) nnode = std::max({nnode, t[0] + 1, t[1] + 1, t[2] + 1, t[3] + 1});  // node count
  // faces bucketed by their lowest corner (counting sort); each holds the other
  // two corners as one 64-bit key and the face's number (tetrahedron * 4 + side)
  std::vector<std::int64_t> start(static_cast<std::size_t>(nnode) + 1, 0);
  const auto chosen = [&](std::size_t e) { return keep.empty() || keep[e]; };
  const auto lowest = [](const Tet& t, const int* s) { return std::min({t[s[0]], t[s[1]], t[s[2]]}); };
  for (std::size_t e = 0; e < tets.size(); ++e)  // faces per lowest corner
    if (chosen(e))
      for (const auto& s : side) ++start[lowest(tets[e], s) + 1];
  std::partial_sum(start.begin(), start.end(), start.begin());
  std::vector<std::pair<std::uint64_t, std::uint64_t>> faces(static_cast<std::size_t>(start.back()));
  std::vector<std::int64_t> fill(start.begin(), start.end() - 1);
  for (std::size_t e = 0; e < tets.size(); ++e) {  // every face into its bucket
    if (!chosen(e)) continue;
    for (int k = 0; k < 4; ++k) {
      std::int32_t c[3] = {tets[e][side[k][0]], tets[e][side[k][1]], tets[e][side[k][2]]};
      std::sort(c, c + 3);
      const std::uint64_t key = (static_cast<std::uint64_t>(c[1]) << 32) | static_cast<std::uint32_t>(c[2]);
      faces[fill[c[0]]++] = {key, 4 * e + static_cast<std::uint64_t>(k)};
    }
  }
  std::vector<Tri> out;
  // each bucket sorted; a key that occurs once is a boundary face
  for (std::int32_t a = 0; a < nnode; ++a) {
    const auto b = faces.begin() + start[a], e = faces.begin() + start[a + 1];
    std::sort(b, e);
    for (auto p = b; p != e;) {
      auto q = p + 1;
      while (q != e && q->first == p->first) ++q;
      if (q == p + 1) {
        const Tet& t = tets[p->second / 4];
        const int* s = side[p->second % 4];
        out.push_back({t[s[0]], t[s[1]], t[s[2]]});
      }
      p = q;
    }
  }
  return out;
}

std::vector<std::int32_t> face_neighbours(const std::vector<Tet>& tets) {
  // every side as (sorted corners, side number), sorted: equal corners meet
  struct Side {
    std::array<std::int32_t, 3> c;
    std::int64_t id;
  };
  std::vector<Side> sides(4 * tets.size());
  for (std::size_t e = 0; e < tets.size(); ++e)
    for (int k = 0; k < 4; ++k) {
      Side& s = sides[4 * e + static_cast<std::size_t>(k)];
      s.c = {tets[e][tet_side[k][0]], tets[e][tet_side[k][1]], tets[e][tet_side[k][2]]};
      std::sort(s.c.begin(), s.c.end());
      s.id = static_cast<std::int64_t>(4 * e) + k;
    }
  std::sort(sides.begin(), sides.end(), [](const Side& a, const Side& b) { return a.c < b.c; });
  std::vector<std::int32_t> nb(sides.size(), -1);
  // runs of equal corners: a pair are neighbours, a longer run is no one's
  for (std::size_t p = 0; p < sides.size();) {
    std::size_t q = p + 1;
    while (q < sides.size() && sides[q].c == sides[p].c) ++q;
    if (q == p + 2) {
      nb[static_cast<std::size_t>(sides[p].id)] = static_cast<std::int32_t>(sides[p + 1].id / 4);
      nb[static_cast<std::size_t>(sides[p + 1].id)] = static_cast<std::int32_t>(sides[p].id / 4);
    }
    p = q;
  }
  return nb;
}

double triangle_area(const std::vector<double>& xyz, const Tri& t) {
  const double* a = &xyz[3 * static_cast<std::size_t>(t[0])];
  const double* b = &xyz[3 * static_cast<std::size_t>(t[1])];
  const double* c = &xyz[3 * static_cast<std::size_t>(t[2])];
  const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
  return 0.5 * std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
}

}  // namespace headmesh
