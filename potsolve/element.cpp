#include "potsolve/element.h"

#include <cmath>

#include "shared/tetra.h"

namespace potsolve {

bool element_matrix(const float xe[3][4], float sigma, double ek[4][4], double fe[4]) {
  // corners in 64 bits (the edges are then exact for inputs of similar magnitude)
  double p[4][3];
  for (int k = 0; k < 4; ++k)
    for (int c = 0; c < 3; ++c) p[k][c] = static_cast<double>(xe[c][k]);
  // cof(i) = D * grad N_i, det six times the signed volume
  const shared::Tetra t = shared::tetra(p);
  const bool solid = !shared::volume_is_zero(t);

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
