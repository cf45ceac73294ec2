#include "cortexmap/fields.h"

#include <cmath>

#include "shared/tetra.h"

namespace cortexmap {

namespace {

// The field stage's degeneracy rule: coplanar corners, an exactly zero
// determinant, give the element zero fields.
bool is_flat(const shared::Tetra& t) { return t.det == 0.0; }

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

    const shared::Tetra t = shared::tetra(p);
    if (is_flat(t)) continue;  // no gradient, all three values 0
    double g[3];
    shared::gradient(t, u, g);
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
