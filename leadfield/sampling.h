// Sampling on the cortex: each cortical point takes the field of the
// tetrahedron that contains it; a point outside every tetrahedron takes the
// element with the nearest centroid, and is counted.
#pragma once

#include <cstdint>
#include <vector>

#include "leadfield/model_source.h"
#include "shared/tetra.h"

namespace leadfield {

struct Sampling {
  std::vector<std::int32_t> element;  // point p: its element (1-based)
  std::int32_t outside = 0;           // points that no tetrahedron contains
};

// The lowest-numbered element containing each point (cortex points times the
// mesh's factor), within a rounding margin; the nearest centroid otherwise.
Sampling locate_points(const Mesh& mesh, const Cortex& cortex);

// The field -grad u at the sampled points for node potentials u.
class PointField {
 public:
  PointField(const Mesh& mesh, const Sampling& s);
  // out[3*p + a]: component a at point p; potential(i) is the potential of node i (1-based).
  template <class Potential>
  void field(const Potential& potential, float* out) const {
    for (std::size_t p = 0; p < tet_.size(); ++p) {
      const std::int32_t* c = &corners_[4 * p];
      const double u[4] = {potential(c[0]), potential(c[1]), potential(c[2]), potential(c[3])};
      double g[3];
      shared::gradient(tet_[p], u, g);
      for (int a = 0; a < 3; ++a) out[3 * p + a] = static_cast<float>(-g[a]);
    }
  }

 private:
  std::vector<shared::Tetra> tet_;
  std::vector<std::int32_t> corners_;
};

// The four corners of element e in metres.
shared::Tetra element_shape(const Mesh& mesh, std::int32_t e);

}  // namespace leadfield
