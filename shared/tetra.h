// The shape of a linear tetrahedron: its edges from the first corner, the
// cofactors that give the gradients of its four shape functions, and six times
// its signed volume. Shared by the solver's element matrix, the field stage of
// cortexmap and makemodel's mesh checks; each decides for itself when a
// tetrahedron counts as flat.
#pragma once

#include <cmath>
#include <limits>

namespace shared {

struct Tetra {
  double edge[4][3];  // edge[k] = P(k) - P(0) for k = 1..3; edge[0] unused (zero)
  double cof[4][3];   // cof[i] = det * grad N_i; cof[0] = -(cof[1] + cof[2] + cof[3])
  double det;         // six times the signed volume: edge[1] . cof[1]
};

// a x b
inline void cross(const double a[3], const double b[3], double out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

inline double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The tetrahedron with corner k at p[k].
inline Tetra tetra(const double p[4][3]) {
  Tetra t{};
  // edges from corner 0
  for (int k = 1; k < 4; ++k)
    for (int c = 0; c < 3; ++c) t.edge[k][c] = p[k][c] - p[0][c];
  cross(t.edge[2], t.edge[3], t.cof[1]);
  cross(t.edge[3], t.edge[1], t.cof[2]);
  cross(t.edge[1], t.edge[2], t.cof[3]);
  // the four cofactor rows sum to zero
  for (int c = 0; c < 3; ++c) t.cof[0][c] = -(t.cof[1][c] + t.cof[2][c] + t.cof[3][c]);
  t.det = dot(t.edge[1], t.cof[1]);
  return t;
}

// The solver's degeneracy rule: the volume counts as zero when |det| lies within
// the rounding bound of its evaluation, so that not even its sign is known (a
// repeated corner or four coplanar corners land here).
inline bool volume_is_zero(const Tetra& t) {
  const auto& a = t.edge;
  const double perm = std::fabs(a[1][0]) * (std::fabs(a[2][1] * a[3][2]) + std::fabs(a[2][2] * a[3][1])) +
                      std::fabs(a[1][1]) * (std::fabs(a[2][2] * a[3][0]) + std::fabs(a[2][0] * a[3][2])) +
                      std::fabs(a[1][2]) * (std::fabs(a[2][0] * a[3][1]) + std::fabs(a[2][1] * a[3][0]));
  const double eps = std::numeric_limits<double>::epsilon() / 2;
  return !(std::isfinite(t.det) && std::fabs(t.det) > (7.0 + 56.0 * eps) * eps * perm);
}

// The gradient of the linear function with values u[k] at the corners; det must
// not be zero.
inline void gradient(const Tetra& t, const double u[4], double g[3]) {
  const double b[3] = {u[1] - u[0], u[2] - u[0], u[3] - u[0]};
  // each component from the three cofactor columns
  for (int a = 0; a < 3; ++a) g[a] = (b[0] * t.cof[1][a] + b[1] * t.cof[2][a] + b[2] * t.cof[3][a]) / t.det;
}

}  // namespace shared
