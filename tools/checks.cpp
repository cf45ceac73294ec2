#include "checks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "shared/tetra.h"

namespace makemodel {

namespace {

using Vec = std::array<double, 3>;

Vec sub(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec cross(const Vec& a, const Vec& b) {
  Vec out;
  shared::cross(a.data(), b.data(), out.data());
  return out;
}
double dot(const Vec& a, const Vec& b) { return shared::dot(a.data(), b.data()); }
// Six times the signed volume of the tetrahedron a b c d.
double det6(const Vec& a, const Vec& b, const Vec& c, const Vec& d) {
  const double p[4][3] = {{a[0], a[1], a[2]}, {b[0], b[1], b[2]}, {c[0], c[1], c[2]}, {d[0], d[1], d[2]}};
  return shared::tetra(p).det;
}

[[noreturn]] void fault(const std::string& what) { throw std::runtime_error(what); }

void check_capacity(const char* what, std::int64_t count, std::int64_t cap) {
  if (count > cap)
    fault(std::string(what) + ": " + std::to_string(count) + " exceeds the capacity of " +
          std::to_string(cap));
}

void check_mesh(const Model& m) {
  const auto nnode = static_cast<std::int64_t>(m.xyz.size());
  std::vector<bool> used(m.xyz.size(), false);
  // every element: corners in range and distinct, a real volume, a known material
  for (std::size_t e = 0; e < m.elem.size(); ++e) {
    const auto& c = m.elem[e];
    double longest = 0.0;
    for (int a = 0; a < 4; ++a) {
      if (c[a] < 0 || c[a] >= nnode) fault("element " + std::to_string(e + 1) + " has a corner out of range");
      used[c[a]] = true;
    }
    // the longest edge sets the scale of the volume test
    for (int a = 0; a < 4; ++a)
      for (int b = a + 1; b < 4; ++b) {
        const auto d = sub(m.xyz[c[a]], m.xyz[c[b]]);
        longest = std::max(longest, std::sqrt(dot(d, d)));
      }
    // the generators number every corner set the right-handed way round, so a
    // volume that is not clearly positive is a flat or turned-over element
    const double vol = det6(m.xyz[c[0]], m.xyz[c[1]], m.xyz[c[2]], m.xyz[c[3]]);
    if (!(vol > 1e-6 * longest * longest * longest))
      fault("element " + std::to_string(e + 1) + " has no volume or is turned over");
    if (m.mat[e] < 1 || m.mat[e] > static_cast<std::int32_t>(m.prop.size()))
      fault("element " + std::to_string(e + 1) + " has an unknown material");
  }
  // every node in some element
  for (std::size_t i = 0; i < used.size(); ++i)
    if (!used[i]) fault("node " + std::to_string(i + 1) + " lies in no element");
  // every boundary entry: a node in range, a code -k with a k-th potential
  for (const auto& [node, code] : m.bcp) {
    if (node < 0 || node >= nnode) fault("a boundary entry names node " + std::to_string(node + 1));
    if (code < 0 && -static_cast<std::int64_t>(code) > static_cast<std::int64_t>(m.bval.size()))
      fault("node " + std::to_string(node + 1) + " has a code without a prescribed potential");
  }
  // every cortical triangle: points in range, a real area
  for (std::size_t t = 0; t < m.tri.size(); ++t) {
    const auto& f = m.tri[t];
    for (auto p : f)
      if (p < 0 || p >= static_cast<std::int32_t>(m.cortex.size()))
        fault("cortical triangle " + std::to_string(t + 1) + " has a point out of range");
    const auto n = cross(sub(m.cortex[f[1]], m.cortex[f[0]]), sub(m.cortex[f[2]], m.cortex[f[0]]));
    if (!(dot(n, n) > 0.0)) fault("cortical triangle " + std::to_string(t + 1) + " has no area");
  }
}

// Elements bucketed by centroid on a grid of cells at least twice the size of
// the largest element, so that the element holding a point, and the centroid
// nearest to it, lie in the point's cell or a neighbouring one.
struct Buckets {
  double size = 1.0;
  std::map<std::array<std::int64_t, 3>, std::vector<std::int32_t>> cell;
  std::vector<Vec> centroid;

  explicit Buckets(const Model& m) {
    double extent = 0.0;
    centroid.resize(m.elem.size());
    // centroids and the largest extent of an element along an axis
    for (std::size_t e = 0; e < m.elem.size(); ++e) {
      Vec lo = m.xyz[m.elem[e][0]], hi = lo, c{};
      for (auto v : m.elem[e])
        for (int d = 0; d < 3; ++d) {
          lo[d] = std::min(lo[d], m.xyz[v][d]);
          hi[d] = std::max(hi[d], m.xyz[v][d]);
          c[d] += 0.25 * m.xyz[v][d];
        }
      centroid[e] = c;
      for (int d = 0; d < 3; ++d) extent = std::max(extent, hi[d] - lo[d]);
    }
    size = 2.0 * extent;
    // each element into the cell of its centroid
    for (std::size_t e = 0; e < m.elem.size(); ++e) cell[key(centroid[e])].push_back(static_cast<std::int32_t>(e));
  }
  std::array<std::int64_t, 3> key(const Vec& p) const {
    return {static_cast<std::int64_t>(std::floor(p[0] / size)), static_cast<std::int64_t>(std::floor(p[1] / size)),
            static_cast<std::int64_t>(std::floor(p[2] / size))};
  }
  // The elements of the 27 cells about a point.
  std::vector<std::int32_t> near(const Vec& p) const {
    std::vector<std::int32_t> out;
    const auto k = key(p);
    for (int a = -1; a <= 1; ++a)
      for (int b = -1; b <= 1; ++b)
        for (int c = -1; c <= 1; ++c) {
          auto it = cell.find({k[0] + a, k[1] + b, k[2] + c});
          if (it != cell.end()) out.insert(out.end(), it->second.begin(), it->second.end());
        }
    std::sort(out.begin(), out.end());
    return out;
  }
};

bool contains(const Model& m, std::int32_t e, const Vec& p) {
  const auto& c = m.elem[e];
  const Vec &a = m.xyz[c[0]], &b = m.xyz[c[1]], &d = m.xyz[c[2]], &f = m.xyz[c[3]];
  const double whole = det6(a, b, d, f), slack = 1e-9 * std::fabs(whole);
  // p lies inside when swapping it for each corner in turn keeps the sign
  const double part[4] = {det6(p, b, d, f), det6(a, p, d, f), det6(a, b, p, f), det6(a, b, d, p)};
  for (double v : part)
    if (v * (whole > 0 ? 1.0 : -1.0) < -slack) return false;
  return true;
}

void check_cortex(const Model& m, const ExpectedMaterial& expected) {
  if (m.cortex.empty() || m.elem.empty()) return;
  const Buckets buckets(m);
  // every cortical point: the element holding it and the nearest centroids
  for (std::size_t p = 0; p < m.cortex.size(); ++p) {
    const Vec& x = m.cortex[p];
    const int want = expected(x);
    const auto cand = buckets.near(x);
    std::int32_t holder = -1;
    double best = std::numeric_limits<double>::infinity();
    // the holding element and the smallest centroid distance
    for (auto e : cand) {
      if (holder < 0 && contains(m, e, x)) holder = e;
      const auto d = sub(buckets.centroid[e], x);
      best = std::min(best, std::sqrt(dot(d, d)));
    }
    const std::string name = "cortical point " + std::to_string(p + 1);
    if (holder < 0) fault(name + " lies outside the mesh");
    if (m.mat[holder] != want) fault(name + " lies in material " + std::to_string(m.mat[holder]) +
                                     ", not " + std::to_string(want));
    // every centroid as near as the nearest (within rounding) must be of that material too
    for (auto e : cand) {
      const auto d = sub(buckets.centroid[e], x);
      if (std::sqrt(dot(d, d)) <= best * (1.0 + 1e-5) + 1e-9 && m.mat[e] != want)
        fault(name + " is nearest to an element of material " + std::to_string(m.mat[e]));
    }
  }
}

}  // namespace

std::int64_t stored_terms(const Model& m) {
  // every edge of every element once, as an ordered node pair
  std::vector<std::int64_t> edges;
  edges.reserve(6 * m.elem.size());
  const auto n = static_cast<std::int64_t>(m.xyz.size());
  for (const auto& c : m.elem)
    for (int a = 0; a < 4; ++a)
      for (int b = a + 1; b < 4; ++b)
        if (c[a] != c[b]) edges.push_back(std::min(c[a], c[b]) * n + std::max(c[a], c[b]));
  std::sort(edges.begin(), edges.end());
  const auto distinct = std::unique(edges.begin(), edges.end()) - edges.begin();
  return n + 2 * static_cast<std::int64_t>(distinct);
}

void check_model(const Model& m, const ExpectedMaterial& expected, const Capacity* cap) {
  check_mesh(m);
  if (cap) {
    check_capacity("nodes", static_cast<std::int64_t>(m.xyz.size()), cap->nodes);
    check_capacity("elements", static_cast<std::int64_t>(m.elem.size()), cap->elements);
    check_capacity("materials", static_cast<std::int64_t>(m.prop.size()), cap->materials);
    check_capacity("prescribed potentials", static_cast<std::int64_t>(m.bval.size()), cap->potentials);
    check_capacity("boundary entries", static_cast<std::int64_t>(m.bcp.size()), cap->boundary_entries);
    check_capacity("cortical points", static_cast<std::int64_t>(m.cortex.size()), cap->points);
    check_capacity("cortical triangles", static_cast<std::int64_t>(m.tri.size()), cap->triangles);
    check_capacity("stored matrix terms", stored_terms(m), cap->stored_terms);
  }
  check_cortex(m, expected);
}

}  // namespace makemodel
