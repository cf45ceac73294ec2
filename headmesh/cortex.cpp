#include "headmesh/cortex.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <string>

#include "headmesh/error.h"
#include "headmesh/outer_surface.h"

namespace headmesh {

namespace {

using V3 = std::array<double, 3>;

V3 at(const std::vector<double>& xyz, std::int32_t i) {
  const double* p = &xyz[3 * static_cast<std::size_t>(i)];
  return {p[0], p[1], p[2]};
}
V3 sub(const V3& a, const V3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V3 cross(const V3& a, const V3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Side k of tetrahedron e with its corners ordered so that the normal points
// out of the tetrahedron, whatever the tetrahedron's orientation.
Tri outward_side(const SourceMesh& mesh, std::size_t e, int k) {
  const Tet& t = mesh.tet[e];
  Tri f{t[tet_side[k][0]], t[tet_side[k][1]], t[tet_side[k][2]]};
  const V3 a = at(mesh.xyz, f[0]);
  const V3 n = cross(sub(at(mesh.xyz, f[1]), a), sub(at(mesh.xyz, f[2]), a));
  if (dot(n, sub(at(mesh.xyz, t[k]), a)) > 0) std::swap(f[1], f[2]);  // corner k lies outside: turn
  return f;
}

// The tissues that tag faces: every other tissue it touches, except those it
// encloses (90 % of their faces against other tissues lie against tag).
std::set<int> faced_tissues(const SourceMesh& mesh, const std::vector<std::int32_t>& nb, int tag) {
  std::map<int, double> against_any, against_tag;
  // every face between two tissues, counted for the tissue on its inner side
  for (std::size_t e = 0; e < mesh.tet.size(); ++e)
    for (int k = 0; k < 4; ++k) {
      const std::int32_t n = nb[4 * e + static_cast<std::size_t>(k)];
      const int g = mesh.tet_group[e];
      if (n < 0 || mesh.tet_group[static_cast<std::size_t>(n)] == g) continue;
      const double area = triangle_area(mesh.xyz, outward_side(mesh, e, k));
      against_any[g] += area;
      if (mesh.tet_group[static_cast<std::size_t>(n)] == tag) against_tag[g] += area;
    }
  std::set<int> faced;
  for (const auto& [g, area] : against_tag)
    if (g != tag && area < 0.9 * against_any[g]) faced.insert(g);
  return faced;
}

// The sides of tag's tetrahedra whose neighbour belongs to one of the tissues.
std::vector<Tri> sides_against(const SourceMesh& mesh, const std::vector<std::int32_t>& nb, int tag,
                               const std::set<int>& tissues) {
  std::vector<Tri> tris;
  for (std::size_t e = 0; e < mesh.tet.size(); ++e) {
    if (mesh.tet_group[e] != tag) continue;
    for (int k = 0; k < 4; ++k) {  // the sides of a tag tetrahedron
      const std::int32_t n = nb[4 * e + static_cast<std::size_t>(k)];
      if (n >= 0 && tissues.count(mesh.tet_group[static_cast<std::size_t>(n)])) tris.push_back(outward_side(mesh, e, k));
    }
  }
  return tris;
}

// Points numbered in the order the triangles first use them, where they lie.
Cortex surface_of(const SourceMesh& mesh, const std::vector<Tri>& tris) {
  Cortex c;
  std::vector<std::int32_t> point(mesh.node_tag.size(), -1);
  for (const Tri& t : tris) {
    Tri p{};
    for (int k = 0; k < 3; ++k) {
      if (point[t[k]] < 0) {
        point[t[k]] = static_cast<std::int32_t>(c.node.size());
        c.node.push_back(t[k]);
        for (int a = 0; a < 3; ++a) c.xyz.push_back(mesh.xyz[3 * static_cast<std::size_t>(t[k]) + a]);
      }
      p[k] = point[t[k]];
    }
    c.tri.push_back(p);
  }
  return c;
}

// The distance from the corner v along the direction d to where the ray
// leaves the tissue tag, walking from tetrahedron to tetrahedron; none when
// the ray does not enter a tag tetrahedron at v.
std::optional<double> thickness(const SourceMesh& mesh, const std::vector<std::int32_t>& nb,
                                const std::vector<std::size_t>& at_corner, std::int32_t v, const V3& d, int tag) {
  const V3 p = at(mesh.xyz, v);
  std::optional<std::size_t> e;
  // the tag tetrahedron at v whose corner cone holds d
  for (std::size_t t : at_corner) {
    if (mesh.tet_group[t] != tag) continue;
    V3 edge[3];
    int m = 0;
    for (std::int32_t c : mesh.tet[t])
      if (c != v) edge[m++] = sub(at(mesh.xyz, c), p);
    const double det = dot(edge[0], cross(edge[1], edge[2]));
    if (det == 0.0 || m != 3) continue;
    const double a = dot(d, cross(edge[1], edge[2])) / det, b = dot(edge[0], cross(d, edge[2])) / det,
                 c = dot(edge[0], cross(edge[1], d)) / det;
    if (a >= 0 && b >= 0 && c >= 0) {
      e = t;
      break;
    }
  }
  if (!e) return std::nullopt;
  // through the tetrahedra: out by the nearest side ahead, into its neighbour
  for (int step = 0; step < 100000; ++step) {
    double leave = std::numeric_limits<double>::infinity();
    int side = -1;
    for (int k = 0; k < 4; ++k) {
      const Tri f = outward_side(mesh, *e, k);
      const V3 a = at(mesh.xyz, f[0]);
      const V3 n = cross(sub(at(mesh.xyz, f[1]), a), sub(at(mesh.xyz, f[2]), a));
      const double ahead = dot(n, d);
      if (ahead <= 0) continue;
      const double t = dot(n, sub(a, p)) / ahead;
      if (t < leave) {
        leave = t;
        side = k;
      }
    }
    if (side < 0) return std::nullopt;
    const std::int32_t next = nb[4 * *e + static_cast<std::size_t>(side)];
    if (next < 0 || mesh.tet_group[static_cast<std::size_t>(next)] != tag) return leave;
    e = static_cast<std::size_t>(next);
  }
  return std::nullopt;
}

// The element centroids in a grid of about two per cell, for the element
// whose centroid is nearest to a point (the highest number among equals, as
// cortexmap takes it).
class NearestCentroid {
 public:
  explicit NearestCentroid(const SourceMesh& mesh) : cent_(mesh.tet.size()) {
    const std::size_t ne = mesh.tet.size();
    for (std::size_t e = 0; e < ne; ++e)  // centroids and their box
      for (int x = 0; x < 3; ++x) {
        double s = 0;
        for (std::int32_t j : mesh.tet[e]) s += mesh.xyz[3 * static_cast<std::size_t>(j) + x];
        cent_[e][x] = 0.25 * s;
        lo_[x] = std::min(lo_[x], cent_[e][x]);
        hi_[x] = std::max(hi_[x], cent_[e][x]);
      }
    const double volume = (hi_[0] - lo_[0]) * (hi_[1] - lo_[1]) * (hi_[2] - lo_[2]);
    cell_ = std::cbrt(2.0 * volume / static_cast<double>(std::max<std::size_t>(ne, 1)));
    if (!(cell_ > 0)) cell_ = 1.0;
    for (int x = 0; x < 3; ++x) dim_[x] = std::clamp(static_cast<int>((hi_[x] - lo_[x]) / cell_) + 1, 1, 1024);
    start_.assign(static_cast<std::size_t>(dim_[0]) * dim_[1] * dim_[2] + 1, 0);
    item_.resize(ne);
    for (const V3& c : cent_) ++start_[cell_of(c) + 1];
    for (std::size_t b = 1; b < start_.size(); ++b) start_[b] += start_[b - 1];
    std::vector<std::size_t> fill(start_.begin(), start_.end() - 1);
    for (std::size_t e = 0; e < ne; ++e) item_[fill[cell_of(cent_[e])]++] = e;
  }

  // The nearest element to q: the rings of cells around q's cell until no
  // farther ring can hold a nearer centroid. The mesh has elements.
  std::size_t operator()(const V3& q) const {
    int c0[3];
    for (int x = 0; x < 3; ++x) c0[x] = index(q, x);
    double best = std::numeric_limits<double>::infinity();
    std::size_t near = 0;
    for (int r = 0; r <= std::max({dim_[0], dim_[1], dim_[2]}); ++r) {
      for (int k = std::max(0, c0[2] - r); k <= std::min(dim_[2] - 1, c0[2] + r); ++k)
        for (int j = std::max(0, c0[1] - r); j <= std::min(dim_[1] - 1, c0[1] + r); ++j)
          for (int i = std::max(0, c0[0] - r); i <= std::min(dim_[0] - 1, c0[0] + r); ++i) {
            if (std::max({std::abs(i - c0[0]), std::abs(j - c0[1]), std::abs(k - c0[2])}) != r) continue;
            const std::size_t b = flat(i, j, k);
            for (std::size_t n = start_[b]; n < start_[b + 1]; ++n) {  // the centroids of the cell
              const V3 d = sub(cent_[item_[n]], q);
              const double d2 = dot(d, d);
              if (d2 < best || (d2 == best && item_[n] > near)) {
                best = d2;
                near = item_[n];
              }
            }
          }
      if (std::sqrt(best) < r * cell_) break;
    }
    return near;
  }

  const V3& centroid(std::size_t e) const { return cent_[e]; }

 private:
  int index(const V3& p, int x) const {
    return std::clamp(static_cast<int>((p[x] - lo_[x]) / cell_), 0, dim_[x] - 1);
  }
  std::size_t flat(int i, int j, int k) const {
    return (static_cast<std::size_t>(k) * static_cast<std::size_t>(dim_[1]) + static_cast<std::size_t>(j)) *
               static_cast<std::size_t>(dim_[0]) + static_cast<std::size_t>(i);
  }
  std::size_t cell_of(const V3& p) const { return flat(index(p, 0), index(p, 1), index(p, 2)); }

  std::vector<V3> cent_;
  V3 lo_{1e300, 1e300, 1e300}, hi_{-1e300, -1e300, -1e300};
  double cell_ = 1.0;
  int dim_[3] = {1, 1, 1};
  std::vector<std::size_t> start_, item_;
};

// Every point moved into the tissue along its inward normal (the mean of its
// triangles' normals, weighted by area) to the middle of the tissue's
// thickness there but no deeper than its mean edge length, or else to the
// first of a quarter and three quarters of the thickness (no deeper than half
// and one and a half edges) whose nearest element is the tissue's, or else to
// the centroid of the tissue's tetrahedron at the point nearest to where the
// normal would take it.
void move_inside(const SourceMesh& mesh, const std::vector<std::int32_t>& nb, int tag, Cortex& c) {
  const std::size_t npts = c.node.size();
  std::vector<V3> normal(npts, V3{0, 0, 0});
  std::vector<double> edges(npts, 0.0), count(npts, 0.0);
  for (const Tri& t : c.tri) {  // area-weighted normals, edge lengths
    const V3 a = at(c.xyz, t[0]);
    const V3 n = cross(sub(at(c.xyz, t[1]), a), sub(at(c.xyz, t[2]), a));
    for (int k = 0; k < 3; ++k) {
      const auto i = static_cast<std::size_t>(t[k]);
      const V3 d = sub(at(c.xyz, t[(k + 1) % 3]), at(c.xyz, t[k]));
      for (int x = 0; x < 3; ++x) normal[i][x] += n[x];
      edges[i] += std::sqrt(dot(d, d));
      edges[static_cast<std::size_t>(t[(k + 1) % 3])] += std::sqrt(dot(d, d));
      count[i] += 2;
    }
  }
  std::vector<std::vector<std::size_t>> at_corner(mesh.node_tag.size());
  std::vector<bool> on_cortex(mesh.node_tag.size(), false);
  for (std::int32_t j : c.node) on_cortex[j] = true;
  for (std::size_t e = 0; e < mesh.tet.size(); ++e)  // the tag's tetrahedra at every cortex node
    if (mesh.tet_group[e] == tag)
      for (std::int32_t j : mesh.tet[e])
        if (on_cortex[j]) at_corner[j].push_back(e);
  const NearestCentroid nearest(mesh);

  for (std::size_t p = 0; p < npts; ++p) {  // every point
    const std::int32_t v = c.node[p];
    const V3 from = at(c.xyz, static_cast<std::int32_t>(p));
    const double len = std::sqrt(dot(normal[p], normal[p]));
    const V3 inward{-normal[p][0] / len, -normal[p][1] / len, -normal[p][2] / len};
    const std::optional<double> t = len > 0 ? thickness(mesh, nb, at_corner[v], v, inward, tag) : std::nullopt;
    const auto along = [&](double depth) {
      return V3{from[0] + depth * inward[0], from[1] + depth * inward[1], from[2] + depth * inward[2]};
    };
    std::optional<V3> to;
    const double edge = count[p] > 0 ? edges[p] / count[p] : 0.0;
    for (double f : {0.5, 0.25, 0.75}) {  // depths along the normal, the middle first, at most 2f edges
      if (!t) break;
      const V3 q = along(std::min(f * *t, 2 * f * edge));
      if (mesh.tet_group[nearest(q)] == tag) {
        to = q;
        break;
      }
    }
    if (to) {
      ++c.moved_along_normal;
    } else if (!at_corner[v].empty()) {
      const V3 aim = t ? along(std::min(0.5 * *t, edge)) : from;
      double best = std::numeric_limits<double>::infinity();
      for (std::size_t e : at_corner[v]) {  // the tag's tetrahedron whose centroid is nearest the aim
        const V3 d = sub(nearest.centroid(e), aim);
        if (dot(d, d) < best) {
          best = dot(d, d);
          to = nearest.centroid(e);
        }
      }
      ++c.moved_to_element;
    }
    if (to)
      for (int x = 0; x < 3; ++x) c.xyz[3 * p + static_cast<std::size_t>(x)] = (*to)[x];
  }
}

}  // namespace

Cortex make_cortex(const SourceMesh& mesh, const CortexRequest& r) {
  std::string option = (r.of_volume ? "--cortex-of " : "--cortex ") + std::to_string(r.tag);
  if (r.facing) option += ":" + std::to_string(*r.facing);
  std::vector<Tri> tris;
  const bool pial = r.of_volume && !r.surface;
  std::vector<std::int32_t> nb;
  if (r.of_volume) {
    std::vector<bool> keep(mesh.tet.size());
    for (std::size_t e = 0; e < keep.size(); ++e) keep[e] = mesh.tet_group[e] == r.tag;  // the tag's tetrahedra
    if (std::find(keep.begin(), keep.end(), true) == keep.end())
      throw Error(option + ": the mesh has no volume physical tag " + std::to_string(r.tag));
    if (r.facing && std::find(mesh.tet_group.begin(), mesh.tet_group.end(), *r.facing) == mesh.tet_group.end())
      throw Error(option + ": the mesh has no volume physical tag " + std::to_string(*r.facing));
    if (pial) {
      nb = face_neighbours(mesh.tet);
      const std::set<int> faced = r.facing ? std::set<int>{*r.facing} : faced_tissues(mesh, nb, r.tag);
      tris = sides_against(mesh, nb, r.tag, faced);
    } else {
      tris = boundary_faces(mesh.tet, keep);
    }
  } else {
    if (!mesh.surface_tris.count(r.tag))
      throw Error(option + ": the mesh has no surface physical tag " + std::to_string(r.tag));
    tris = mesh.surface_tris.at(r.tag);
    // a triangle whose corner no tetrahedron uses lies outside the model
    for (const Tri& t : tris)
      if (std::min({t[0], t[1], t[2]}) < 0) throw Error(option + ": a triangle of the surface is not on the tetrahedra");
  }
  if (tris.empty())
    throw Error(option + (pial ? ": the tissue faces no other tissue (name one with TAG:FACING)"
                               : ": the surface has no triangle"));
  Cortex c = surface_of(mesh, tris);
  if (pial) move_inside(mesh, nb, r.tag, c);
  return c;
}

double share_sampling(const SourceMesh& mesh, const Cortex& cortex, int tag) {
  if (mesh.tet.empty() || cortex.node.empty()) return 0.0;
  const NearestCentroid nearest(mesh);
  std::size_t inside = 0;
  for (std::size_t p = 0; p < cortex.node.size(); ++p)  // every point: is its element tag's?
    if (mesh.tet_group[nearest(at(cortex.xyz, static_cast<std::int32_t>(p)))] == tag) ++inside;
  return static_cast<double>(inside) / static_cast<double>(cortex.node.size());
}

}  // namespace headmesh
