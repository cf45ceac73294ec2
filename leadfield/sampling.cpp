#include "leadfield/sampling.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "cortexmap/field_library.h"
#include "shared/buckets.h"

namespace leadfield {

shared::Tetra element_shape(const Mesh& mesh, std::int32_t e) {
  double p[4][3];
  for (int k = 0; k < 4; ++k)
    for (int a = 0; a < 3; ++a) p[k][a] = mesh.xyz[3 * static_cast<std::size_t>(mesh.ielem[4 * e + k]) + a];
  return shared::tetra(p);
}

namespace {

// A uniform grid over the mesh's box; each element listed in every cell its
// box touches, elements ascending within a cell.
class ElementGrid {
 public:
  explicit ElementGrid(const Mesh& mesh) : mesh_(mesh) {
    for (int a = 0; a < 3; ++a) {
      lo_[a] = INFINITY;
      hi_[a] = -INFINITY;
    }
    for (std::int32_t i = 1; i <= mesh.nnode; ++i)
      for (int a = 0; a < 3; ++a) {
        lo_[a] = std::min(lo_[a], static_cast<double>(mesh.xyz[3 * i + a]));
        hi_[a] = std::max(hi_[a], static_cast<double>(mesh.xyz[3 * i + a]));
      }
    double vol = 1.0, ext[3];
    for (int a = 0; a < 3; ++a) vol *= (ext[a] = std::max(hi_[a] - lo_[a], 1e-12));
    const double h = std::cbrt(vol / std::max(1.0, mesh.nelem / 4.0));
    for (int a = 0; a < 3; ++a) {
      n_[a] = static_cast<int>(std::clamp(std::ceil(ext[a] / h), 1.0, 1024.0));
      inv_[a] = n_[a] / ext[a];
    }
    shared::group_by_bucket(
        static_cast<std::size_t>(n_[0]) * n_[1] * n_[2],
        [&](auto put) {
          for (std::int32_t e = 1; e <= mesh.nelem; ++e) {
            int c0[3], c1[3];
            box_cells(e, c0, c1);
            for (int z = c0[2]; z <= c1[2]; ++z)
              for (int y = c0[1]; y <= c1[1]; ++y)
                for (int x = c0[0]; x <= c1[0]; ++x) put(cell_index(x, y, z), e);
          }
        },
        start_, elems_);
  }

  // The lowest-numbered element containing q (metres), 0 when none.
  std::int32_t containing(const double q[3]) const {
    int c[3];
    for (int a = 0; a < 3; ++a) {
      const double t = std::floor((q[a] - lo_[a]) * inv_[a]);
      if (!(t >= -1.0 && t <= n_[a])) return 0;
      c[a] = std::clamp(static_cast<int>(t), 0, n_[a] - 1);
    }
    const std::size_t k = cell_index(c[0], c[1], c[2]);
    for (std::int32_t s = start_[k]; s < start_[k + 1]; ++s)
      if (contains(elems_[s], q)) return elems_[s];
    return 0;
  }

 private:
  std::size_t cell_index(int x, int y, int z) const {
    return (static_cast<std::size_t>(z) * n_[1] + static_cast<std::size_t>(y)) * n_[0] + static_cast<std::size_t>(x);
  }
  void box_cells(std::int32_t e, int c0[3], int c1[3]) const {
    for (int a = 0; a < 3; ++a) {
      double lo = INFINITY, hi = -INFINITY;
      for (int k = 0; k < 4; ++k) {
        const double v = mesh_.xyz[3 * static_cast<std::size_t>(mesh_.ielem[4 * e + k]) + a];
        lo = std::min(lo, v);
        hi = std::max(hi, v);
      }
      // a margin far above rounding covers points on the box's faces
      const double margin = 1e-6 * (hi_[a] - lo_[a]);
      c0[a] = std::clamp(static_cast<int>(std::floor((lo - margin - lo_[a]) * inv_[a])), 0, n_[a] - 1);
      c1[a] = std::clamp(static_cast<int>(std::floor((hi + margin - lo_[a]) * inv_[a])), 0, n_[a] - 1);
    }
  }
  bool contains(std::int32_t e, const double q[3]) const {
    const shared::Tetra t = element_shape(mesh_, e);
    if (t.det == 0.0) return false;
    const float* p0 = &mesh_.xyz[3 * static_cast<std::size_t>(mesh_.ielem[4 * e])];
    const double d[3] = {q[0] - p0[0], q[1] - p0[1], q[2] - p0[2]};
    // barycentric coordinates: lambda_i = grad N_i . (q - P0), lambda_0 the rest
    constexpr double margin = 1e-9;
    double sum = 0.0;
    for (int i = 1; i < 4; ++i) {
      const double l = shared::dot(t.cof[i], d) / t.det;
      if (l < -margin) return false;
      sum += l;
    }
    return 1.0 - sum >= -margin;
  }

  const Mesh& mesh_;
  double lo_[3], hi_[3], inv_[3];
  int n_[3] = {1, 1, 1};
  std::vector<std::int32_t> start_, elems_;
};

}  // namespace

Sampling locate_points(const Mesh& mesh, const Cortex& cortex) {
  Sampling s;
  const std::size_t np = cortex.points.size() / 3;
  s.element.assign(np, 0);
  if (np == 0) return s;
  const ElementGrid grid(mesh);
  std::vector<float> cent;  // built only when a point lies outside
  std::unique_ptr<cortexmap::CentroidIndex> nearest;
  for (std::size_t p = 0; p < np; ++p) {
    float c[3];
    double q[3];
    for (int a = 0; a < 3; ++a) q[a] = c[a] = cortex.points[3 * p + a] * mesh.scale;  // as the nodes are scaled
    s.element[p] = grid.containing(q);
    if (s.element[p] != 0) continue;
    ++s.outside;
    if (!nearest) {
      cent.assign(3 * (static_cast<std::size_t>(mesh.nelem) + 1), 0.0f);
      for (std::int32_t e = 1; e <= mesh.nelem; ++e)
        for (int a = 0; a < 3; ++a) {
          double sum = 0.0;
          for (int k = 0; k < 4; ++k) sum += mesh.xyz[3 * static_cast<std::size_t>(mesh.ielem[4 * e + k]) + a];
          cent[3 * e + a] = static_cast<float>(sum * 0.25);
        }
      nearest = std::make_unique<cortexmap::CentroidIndex>(cent, mesh.nelem);
    }
    s.element[p] = nearest->nearest(c);
  }
  return s;
}

PointField::PointField(const Mesh& mesh, const Sampling& s) {
  tet_.reserve(s.element.size());
  for (std::int32_t e : s.element) {
    tet_.push_back(element_shape(mesh, e));
    corners_.insert(corners_.end(), &mesh.ielem[4 * e], &mesh.ielem[4 * e] + 4);
  }
}

}  // namespace leadfield
