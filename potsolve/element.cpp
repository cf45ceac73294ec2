#include "potsolve/element.h"

#include <cmath>
#include <limits>

#include "shared/tetra.h"

namespace potsolve {

namespace {

// The solver's degeneracy rule: the volume counts as zero when |det| lies within
// the rounding bound of its evaluation, so that not even its sign is known (a
// repeated corner or four coplanar corners land here).
bool volume_is_zero(const shared::Tetra& t) {
  const auto& a = t.edge;
  const double perm = std::fabs(a[1][0]) * (std::fabs(a[2][1] * a[3][2]) + std::fabs(a[2][2] * a[3][1])) +
                      std::fabs(a[1][1]) * (std::fabs(a[2][2] * a[3][0]) + std::fabs(a[2][0] * a[3][2])) +
                      std::fabs(a[1][2]) * (std::fabs(a[2][0] * a[3][1]) + std::fabs(a[2][1] * a[3][0]));
  const double eps = std::numeric_limits<double>::epsilon() / 2;
  return !(std::isfinite(t.det) && std::fabs(t.det) > (7.0 + 56.0 * eps) * eps * perm);
}

}  // namespace

bool element_matrix(const float xe[3][4], float sigma, double ek[4][4], double fe[4]) {
  // corners in 64 bits (the edges are then exact for inputs of similar magnitude)
  double p[4][3];
  for (int k = 0; k < 4; ++k)
    for (int c = 0; c < 3; ++c) p[k][c] = static_cast<double>(xe[c][k]);
  // cof(i) = D * grad N_i, det six times the signed volume
  const shared::Tetra t = shared::tetra(p);
  const bool solid = !volume_is_zero(t);

  // c = sigma / (36 V) with V = |det| / 6
  const double c = solid ? static_cast<double>(sigma) / (6.0 * std::fabs(t.det)) : 0.0;
  // ek(i,j) = c * g(i).g(j)
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) ek[i][j] = solid ? c * shared::dot(t.cof[i], t.cof[j]) : 0.0;
  // no source term
  for (int i = 0; i < 4; ++i) fe[i] = 0.0;
  return solid;
}

}  // namespace potsolve
