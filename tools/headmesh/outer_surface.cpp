#include "headmesh/outer_surface.h"

#include <algorithm>
#include <cmath>

namespace headmesh {

std::vector<Tri> boundary_faces(const std::vector<Tet>& tets, const std::vector<bool>& keep) {
  // a face: its sorted corners as the key, then its corners in the tetrahedron's order
  struct Face {
    Tri key, tri;
  };
  static constexpr int side[4][3] = {{1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}};
  std::vector<Face> faces;
  faces.reserve(4 * tets.size());
  // the four faces of every chosen tetrahedron
  for (std::size_t e = 0; e < tets.size(); ++e) {
    if (!keep.empty() && !keep[e]) continue;
    for (const auto& s : side) {
      Face f{{tets[e][s[0]], tets[e][s[1]], tets[e][s[2]]}, {tets[e][s[0]], tets[e][s[1]], tets[e][s[2]]}};
      std::sort(f.key.begin(), f.key.end());
      faces.push_back(f);
    }
  }
  std::sort(faces.begin(), faces.end(), [](const Face& a, const Face& b) { return a.key < b.key; });
  std::vector<Tri> out;
  // runs of equal keys: a run of one is a boundary face
  for (std::size_t i = 0; i < faces.size();) {
    std::size_t j = i + 1;
    while (j < faces.size() && faces[j].key == faces[i].key) ++j;
    if (j == i + 1) out.push_back(faces[i].tri);
    i = j;
  }
  return out;
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
