#include "cortexmap/fields.h"

#include <cmath>

#include "shared/tetra.h"

namespace cortexmap {

namespace {

// A stored element value must be a finite 32-bit real.
void check_finite(float v, std::int32_t e) {
  if (!std::isfinite(v)) throw FieldOverflow{e};
}

// The corners of element e and their potentials.
void corners(const MapStore& m, std::int32_t e, double p[4][3], double u[4]) {
  const std::int32_t* c = &m.ielem[4 * e];
  for (int k = 0; k < 4; ++k) {
    for (int a = 0; a < 3; ++a) p[k][a] = m.xyz[3 * c[k] + a];
    u[k] = m.pot[c[k]];
  }
}

// The field stage's degeneracy rule: coplanar corners, an exactly zero
// determinant, give the element no gradient.
bool gradient_of(const double p[4][3], const double u[4], double g[3]) {
  const shared::Tetra t = shared::tetra(p);
  if (t.det == 0.0) {
    g[0] = g[1] = g[2] = 0.0;
    return false;
  }
  shared::gradient(t, u, g);
  return true;
}

}  // namespace

bool element_gradient(const MapStore& m, std::int32_t e, double g[3]) {
  double p[4][3], u[4];
  corners(m, e, p, u);
  return gradient_of(p, u, g);
}

ElementFields element_fields(const MapStore& m) {
  const std::size_t n = static_cast<std::size_t>(m.nelem) + 1;
  ElementFields f;
  f.cent.assign(3 * n, 0.0f);
  f.emag.assign(n, 0.0f);
  f.jmag.assign(n, 0.0f);
  f.pden.assign(n, 0.0f);
  // centroid and gradient length of every element
  for (std::int32_t e = 1; e <= m.nelem; ++e) {
    double p[4][3], u[4], g[3];
    corners(m, e, p, u);
    for (int a = 0; a < 3; ++a)
      f.cent[3 * e + a] = static_cast<float>((p[0][a] + p[1][a] + p[2][a] + p[3][a]) * 0.25);
    if (!gradient_of(p, u, g)) continue;  // no gradient, all three values 0
    f.emag[e] = static_cast<float>(std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]));
    check_finite(f.emag[e], e);
  }
  // current density: field magnitude times the element's conductivity
  for (std::int32_t e = 1; e <= m.nelem; ++e) {
    f.jmag[e] = f.emag[e] * m.prop[m.imat[e]];
    check_finite(f.jmag[e], e);
  }
  // power density: current density times field magnitude
  for (std::int32_t e = 1; e <= m.nelem; ++e) {
    f.pden[e] = f.jmag[e] * f.emag[e];
    check_finite(f.pden[e], e);
  }
  return f;
}

}  // namespace cortexmap
