#include "potsolve/element.h"

#include <cmath>
#include <limits>

namespace potsolve {

namespace {

// a x b
void cross(const double a[3], const double b[3], double out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace

bool element_matrix(const float xe[3][4], float sigma, double ek[4][4], double fe[4]) {
  // Edges from corner 1: a[k] = P(k+1) - P1 for k = 1..3 (exact for float inputs
  // of similar magnitude).
  double a[4][3] = {};
  for (int k = 1; k < 4; ++k)
    for (int c = 0; c < 3; ++c)
      a[k][c] = static_cast<double>(xe[c][k]) - static_cast<double>(xe[c][0]);

  // g(i) = D * grad N_i, the cofactors of the x, y, z entries of row i of the
  // matrix with rows (1, x_k, y_k, z_k); the four sum to zero.
  double g[4][3];
  cross(a[2], a[3], g[1]);
  cross(a[3], a[1], g[2]);
  cross(a[1], a[2], g[3]);
  for (int c = 0; c < 3; ++c) g[0][c] = -(g[1][c] + g[2][c] + g[3][c]);
  const double det = dot(a[1], g[1]);  // six times the signed volume

  // Zero volume: |det| within the rounding bound of its evaluation, so not even
  // its sign is known (a repeated corner or four coplanar corners land here).
  const double perm = std::fabs(a[1][0]) * (std::fabs(a[2][1] * a[3][2]) + std::fabs(a[2][2] * a[3][1])) +
                      std::fabs(a[1][1]) * (std::fabs(a[2][2] * a[3][0]) + std::fabs(a[2][0] * a[3][2])) +
                      std::fabs(a[1][2]) * (std::fabs(a[2][0] * a[3][1]) + std::fabs(a[2][1] * a[3][0]));
  const double eps = std::numeric_limits<double>::epsilon() / 2;
  const bool solid = std::isfinite(det) && std::fabs(det) > (7.0 + 56.0 * eps) * eps * perm;

  // c = sigma / (36 V) with V = |det| / 6
  const double c = solid ? static_cast<double>(sigma) / (6.0 * std::fabs(det)) : 0.0;
  // ek(i,j) = c * g(i).g(j)
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) ek[i][j] = solid ? c * dot(g[i], g[j]) : 0.0;
  // no source term
  for (int i = 0; i < 4; ++i) fe[i] = 0.0;
  return solid;
}

}  // namespace potsolve
