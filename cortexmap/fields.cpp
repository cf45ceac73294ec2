#include "cortexmap/fields.h"

#include <cmath>

namespace cortexmap {

namespace {

// A stored element value must be a finite 32-bit real.
void check_finite(float v, std::int32_t e) {
  if (!std::isfinite(v)) throw FieldOverflow{e};
}

}  // namespace

void element_fields(MapStore& m) {
  const std::size_t n = static_cast<std::size_t>(m.nelem) + 1;
  m.cent.assign(3 * n, 0.0f);
  m.emag.assign(n, 0.0f);
  m.jmag.assign(n, 0.0f);
  m.pden.assign(n, 0.0f);
  // centroid and gradient length of every element
  for (std::int32_t e = 1; e <= m.nelem; ++e) {
    const std::int32_t* c = &m.ielem[4 * e];
    double p[4][3], u[4];
    for (int k = 0; k < 4; ++k) {
      for (int a = 0; a < 3; ++a) p[k][a] = m.xyz[3 * c[k] + a];
      u[k] = m.pot[c[k]];
    }
    for (int a = 0; a < 3; ++a)
      m.cent[3 * e + a] = static_cast<float>((p[0][a] + p[1][a] + p[2][a] + p[3][a]) * 0.25);

    // Rows r1, r2, r3 = P2 - P1, P3 - P1, P4 - P1; g solves rk . g = uk+1 - u1.
    double r[3][3], b[3];
    for (int k = 0; k < 3; ++k) {
      for (int a = 0; a < 3; ++a) r[k][a] = p[k + 1][a] - p[0][a];
      b[k] = u[k + 1] - u[0];
    }
    // Cofactors: the columns of the adjugate are r2 x r3, r3 x r1, r1 x r2.
    const double c23[3] = {r[1][1] * r[2][2] - r[1][2] * r[2][1],
                           r[1][2] * r[2][0] - r[1][0] * r[2][2],
                           r[1][0] * r[2][1] - r[1][1] * r[2][0]};
    const double c31[3] = {r[2][1] * r[0][2] - r[2][2] * r[0][1],
                           r[2][2] * r[0][0] - r[2][0] * r[0][2],
                           r[2][0] * r[0][1] - r[2][1] * r[0][0]};
    const double c12[3] = {r[0][1] * r[1][2] - r[0][2] * r[1][1],
                           r[0][2] * r[1][0] - r[0][0] * r[1][2],
                           r[0][0] * r[1][1] - r[0][1] * r[1][0]};
    const double det = r[0][0] * c23[0] + r[0][1] * c23[1] + r[0][2] * c23[2];
    if (det == 0.0) continue;  // coplanar corners: no gradient, all three values 0
    double g[3];
    for (int a = 0; a < 3; ++a) g[a] = (b[0] * c23[a] + b[1] * c31[a] + b[2] * c12[a]) / det;
    m.emag[e] = static_cast<float>(std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]));
    check_finite(m.emag[e], e);
  }
  // current density: field magnitude times the element's conductivity
  for (std::int32_t e = 1; e <= m.nelem; ++e) {
    m.jmag[e] = m.emag[e] * m.prop[m.imat[e]];
    check_finite(m.jmag[e], e);
  }
  // power density: current density times field magnitude
  for (std::int32_t e = 1; e <= m.nelem; ++e) {
    m.pden[e] = m.jmag[e] * m.emag[e];
    check_finite(m.pden[e], e);
  }
}

}  // namespace cortexmap
