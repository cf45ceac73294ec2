// The product a * 10^k in double precision is a single rounding when 10^k is
// exact (|k| <= 22), so it lies within half an ulp of the true scaled value.
// Rounding that product to an integer gives the correctly rounded result
// unless the true value could be a tie (or on the other side of one): the
// routines refuse when the fraction lies within a few ulps of one half.
#include "textio/decimal.h"

#include <cmath>

namespace textio {

namespace {

constexpr double p10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                            1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// a * 10^k with one rounding.
double scale(double a, int k) { return k >= 0 ? a * p10[k] : a / p10[-k]; }

// Rounds s (>= 0, < 2^52) to the nearest integer; false when the rounding of s
// itself could decide the result (the fraction near one half).
bool round_scaled(double s, std::uint64_t& q) {
  const double r = std::floor(s);
  const double frac = s - r;
  const double slack = s * 0x1p-50 + 0x1p-60;  // several ulps of s
  if (std::fabs(frac - 0.5) <= slack) return false;
  q = static_cast<std::uint64_t>(r) + (frac > 0.5 ? 1 : 0);
  return true;
}

}  // namespace

bool round_significant(double a, int sig, std::uint64_t& digits, int& x) {
  if (sig < 1 || sig > 15 || !(a > 0.0) || !std::isfinite(a)) return false;
  int e = static_cast<int>(std::floor(std::log10(a)));
  // the exponent whose scaled value lies in [10^(sig-1), 10^sig)
  for (int tries = 0; tries < 3; ++tries) {
    const int k = sig - 1 - e;
    if (k > 22 || k < -22) return false;
    const double s = scale(a, k);
    if (s < p10[sig - 1]) {
      --e;
      continue;
    }
    if (s >= p10[sig]) {
      ++e;
      continue;
    }
    std::uint64_t q = 0;
    if (!round_scaled(s, q)) return false;
    if (q == static_cast<std::uint64_t>(p10[sig])) {  // rounded up to the next power
      q = static_cast<std::uint64_t>(p10[sig - 1]);
      ++e;
    }
    digits = q;
    x = e;
    return true;
  }
  return false;
}

bool round_decimals(double a, int d, std::uint64_t& scaled) {
  if (d < 0 || d > 18 || !(a >= 0.0)) return false;
  const double s = a * p10[d];
  if (!(s < 0x1p50)) return false;
  return round_scaled(s, scaled);
}

char* put_digits(char* p, std::uint64_t v, int width) {
  char tmp[24];
  int n = 0;
  // digits from the last
  do {
    tmp[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  while (n < width) tmp[n++] = '0';
  // out in reading order
  while (n > 0) *p++ = tmp[--n];
  return p;
}

}  // namespace textio
