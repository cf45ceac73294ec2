// The exhaustive nearest-centroid scan, kept as the reference of the grid search.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace literal {

// Every element in order: distance in double precision, running minimum held
// as a 32-bit real and set from element 1, "<=" lets the later element win.
inline std::int32_t nearest(const std::vector<float>& cent, std::int32_t nelem, const float c[3]) {
  float dmin = 0.0f;
  std::int32_t best = 1;
  for (std::int32_t e = 1; e <= nelem; ++e) {
    const double d = std::sqrt((static_cast<double>(cent[3 * e]) - c[0]) * (static_cast<double>(cent[3 * e]) - c[0]) +
                               (static_cast<double>(cent[3 * e + 1]) - c[1]) * (static_cast<double>(cent[3 * e + 1]) - c[1]) +
                               (static_cast<double>(cent[3 * e + 2]) - c[2]) * (static_cast<double>(cent[3 * e + 2]) - c[2]));
    if (e == 1) dmin = static_cast<float>(d);
    if (d <= dmin) {
      dmin = static_cast<float>(d);
      best = e;
    }
  }
  return best;
}

}  // namespace literal
