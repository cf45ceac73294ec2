#include "shells.h"

#include <cmath>
#include <numbers>

namespace shells {

namespace {

// Degrees summed: the innermost terms fall as (|x| / R)^n, far below double
// precision by this degree for points within 0.9 R.
constexpr int degrees = 400;

// c_n of the innermost shell, Phi = sum c_n (r/R)^n P_n(cos g), for a unit
// current entering at one surface point. Each degree carries the solution
// A r^n + B r^-(n+1) outwards through the interfaces, where the potential and
// the normal current are continuous, and is scaled to the injected current
// sigma_N dPhi/dr (R) = (2n + 1) / (4 pi R^2).
std::vector<double> coefficients(const Sphere& s) {
  const double big = s.radius.back();
  std::vector<double> c(degrees + 1, 0.0);
  for (int n = 1; n <= degrees; ++n) {
    double a = 1.0, b = 0.0;  // in the radius relative to R
    for (std::size_t j = 0; j + 1 < s.radius.size(); ++j) {
      const double r = s.radius[j] / big;
      const double value = a * std::pow(r, n) + b * std::pow(r, -n - 1);
      const double slope = s.sigma[j] / s.sigma[j + 1] * (n * a * std::pow(r, n - 1) - (n + 1) * b * std::pow(r, -n - 2));
      a = ((n + 1) * value / r + slope) / ((2 * n + 1) * std::pow(r, n - 1));
      b = (value - a * std::pow(r, n)) * std::pow(r, n + 1);
    }
    const double outer = n * a - (n + 1) * b;  // dPhi/d(r/R) at r = R
    c[n] = (2 * n + 1) / (4 * std::numbers::pi * big * s.sigma.back() * outer);
  }
  return c;
}

// -grad Phi at x for a unit current at the surface point a.
Vec point_source(const Sphere& s, const std::vector<double>& c, const Vec& a, const Vec& x) {
  const double big = s.radius.back();
  const double rho = std::hypot(x[0], x[1], x[2]) / big;
  const double alen = std::hypot(a[0], a[1], a[2]);
  Vec u, ah;
  for (int k = 0; k < 3; ++k) {
    u[k] = x[k] / (rho * big);
    ah[k] = a[k] / alen;
  }
  const double t = u[0] * ah[0] + u[1] * ah[1] + u[2] * ah[2];
  // grad (rho^n P_n(t)) = rho^(n-1) (n P_n u + P_n' (ah - t u)), in units of 1/R
  double radial = 0.0, tangential = 0.0;
  double p0 = 1.0, p1 = t, d0 = 0.0, d1 = 1.0, pw = 1.0;  // P_n, P_n', rho^(n-1)
  for (int n = 1; n <= degrees; ++n) {
    radial += c[n] * pw * n * p1;
    tangential += c[n] * pw * d1;
    const double p2 = ((2 * n + 1) * t * p1 - n * p0) / (n + 1);
    const double d2 = d0 + (2 * n + 1) * p1;
    p0 = p1;
    p1 = p2;
    d0 = d1;
    d1 = d2;
    pw *= rho;
  }
  Vec e;
  for (int k = 0; k < 3; ++k) e[k] = -(radial * u[k] + tangential * (ah[k] - t * u[k])) / big;
  return e;
}

}  // namespace

Vec field(const Sphere& s, double current, const Vec& a, const Vec& b, const Vec& x) {
  const std::vector<double> c = coefficients(s);
  const Vec ea = point_source(s, c, a, x), eb = point_source(s, c, b, x);
  return {current * (ea[0] - eb[0]), current * (ea[1] - eb[1]), current * (ea[2] - eb[2])};
}

}  // namespace shells
