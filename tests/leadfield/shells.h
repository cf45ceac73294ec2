// The closed form of concentric spherical shells: the potential and field
// inside the innermost shell for currents entering and leaving at points of the
// outer surface, as a Legendre series.
#pragma once

#include <array>
#include <vector>

namespace shells {

using Vec = std::array<double, 3>;

struct Sphere {
  std::vector<double> radius;  // shell boundaries from the inside out (m)
  std::vector<double> sigma;   // conductivity of each shell (S/m), innermost first
};

// E (V/m) at x (m, inside the innermost shell) for current (A) entering at the
// surface point a and leaving at b, both on the outer radius.
Vec field(const Sphere& s, double current, const Vec& a, const Vec& b, const Vec& x);

}  // namespace shells
