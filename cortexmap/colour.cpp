#include "cortexmap/colour.h"

#include <algorithm>

namespace cortexmap {

void colour_index(MapStore& m) {
  m.icol.assign(static_cast<std::size_t>(m.nelem) + 1, 0);
  if (m.nelem < 1) return;
  float vmin = m.fields.jmag[1], vmax = m.fields.jmag[1];
  // range of the current density over the mesh
  for (std::int32_t e = 2; e <= m.nelem; ++e) {
    if (m.fields.jmag[e] <= vmin) vmin = m.fields.jmag[e];
    if (m.fields.jmag[e] >= vmax) vmax = m.fields.jmag[e];
  }
  // each element's place in that range, 0 .. 255
  for (std::int32_t e = 1; e <= m.nelem; ++e) {
    if (vmin == vmax) {
      m.icol[e] = 0;
    } else {
      const double v = ((static_cast<double>(m.fields.jmag[e]) - vmin) * 255.0) /
                       (static_cast<double>(vmax) - vmin);
      m.icol[e] = static_cast<std::int32_t>(v);
    }
  }
}

std::array<std::int32_t, 3> vertex_colour(std::int32_t v) {
  if (v < 25.5) return {192, 192, 192};
  const auto u = static_cast<std::int32_t>(((v - 25.5) * 255.0) / 229.5);
  if (u <= 30) return {0, 8 * u, 255};
  if (u <= 60) return {0, 255, 495 - 8 * u};
  if (u <= 90) return {8 * u - 480, 255, 0};
  if (u <= 120) return {255, 525 - 3 * u, 0};
  if (u <= 140) return {255, 997 - 7 * u, 0};
  // dark red fades towards black; from u = 204 on the ramp would go negative
  return {std::max(0, 815 - 4 * u), 0, 0};
}

}  // namespace cortexmap
