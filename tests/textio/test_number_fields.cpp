// The E and F fields against the C library's rendering: the fields format most
// values without snprintf, and must give the same bytes for every value,
// rounding boundaries and ties included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "textio/layout.h"

namespace {

// Fw.d the way snprintf alone renders it.
std::string snprintf_f(double v, int w, int d) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*f", d, v);
  std::string s = buf;
  if (static_cast<int>(s.size()) > w) {
    const std::size_t z = s[0] == '-' ? 1 : 0;
    if (s.size() > z + 1 && s[z] == '0' && s[z + 1] == '.') s.erase(z, 1);
  }
  if (static_cast<int>(s.size()) > w) return std::string(w, '*');
  return std::string(w - s.size(), ' ') + s;
}

// Ew.d the way snprintf alone renders it.
std::string snprintf_e(double v, int w, int d) {
  std::string digits(d, '0');
  int x = 0;
  if (v != 0.0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", d - 1, std::fabs(v));
    const char* e = std::strchr(buf, 'e');
    digits = std::string(1, buf[0]);
    if (d > 1) digits.append(buf + 2, static_cast<std::size_t>(e - buf - 2));
    x = std::atoi(e + 1) + 1;
  }
  if (std::abs(x) > 999) return std::string(w, '*');
  char exp[8];
  std::snprintf(exp, sizeof exp, std::abs(x) <= 99 ? "E%c%02d" : "%c%03d", x < 0 ? '-' : '+', std::abs(x));
  const std::string sign = std::signbit(v) ? "-" : "";
  const std::string body = "." + digits + exp;
  std::string s = sign + body;
  if (static_cast<int>(s.size()) + 1 <= w) s = sign + "0" + body;
  if (static_cast<int>(s.size()) > w) return std::string(w, '*');
  return std::string(w - s.size(), ' ') + s;
}

// Finite values only: infinities and NaN have fields of their own.
void expect_same(double v) {
  if (!std::isfinite(v)) return;
  static const int shapes[][2] = {{18, 8}, {14, 7}, {12, 3}, {9, 2}, {25, 15}, {6, 1}, {10, 0}};
  for (const auto& [w, d] : shapes) {
    ASSERT_EQ(textio::field_f(v, w, d), snprintf_f(v, w, d)) << "F" << w << "." << d << " of " << v;
    if (d >= 1) {
      ASSERT_EQ(textio::field_e(v, w, d), snprintf_e(v, w, d)) << "E" << w << "." << d << " of " << v;
    }
  }
}

TEST(NumberFields, RandomFloatsAndDoublesMatchTheCLibrary) {
  std::mt19937_64 rng(12345);
  std::uniform_real_distribution<double> mant(1.0, 10.0);
  std::uniform_int_distribution<int> expo(-40, 40);
  // random magnitudes over 80 decades, both signs, as floats and as doubles
  for (int k = 0; k < 60000; ++k) {
    const double v = mant(rng) * std::pow(10.0, expo(rng)) * (rng() & 1 ? -1.0 : 1.0);
    expect_same(v);
    expect_same(static_cast<float>(v));
  }
  // random bit patterns of floats: every exponent, subnormals included
  for (int k = 0; k < 60000; ++k) {
    const std::uint32_t bits = static_cast<std::uint32_t>(rng());
    float f;
    std::memcpy(&f, &bits, sizeof f);
    expect_same(f);
  }
}

TEST(NumberFields, RoundingBoundariesAndTiesMatchTheCLibrary) {
  // exact ties in binary (x.5 at the last digit), their neighbours, and the
  // values around the powers of ten where the exponent changes
  for (int digits = 1; digits <= 9; ++digits)
    for (int k = -12; k <= 12; ++k) {
      const double unit = std::pow(10.0, k);
      for (double m : {0.5, 1.5, 2.5, 9.5, 0.125, 0.375, 99999999.5, 9.9999999, 9.99999995, 1.0}) {
        const double v = m * unit;
        for (double t : {v, std::nextafter(v, 0.0), std::nextafter(v, 1e300)}) {
          expect_same(t);
          expect_same(-t);
          expect_same(static_cast<float>(t));
          expect_same(std::nextafter(static_cast<float>(t), 0.0f));
          expect_same(std::nextafter(static_cast<float>(t), 1e30f));
        }
      }
    }
  // halves of the last decimal for F18.8 and E18.8 digit counts
  for (std::int64_t q = 1; q < 2000000; q += 31) {
    expect_same((q + 0.5) * 1e-8);
    expect_same((q + 0.5) * 1e-7 * 1e-1);
    expect_same(static_cast<float>((q + 0.5) * 1e-8));
  }
  for (double v : {0.0, -0.0, 5e-324, 1e308, -1.7976931348623157e308, 0.05, 0.005, 5e-9, -5e-9, 4.5e-9})
    expect_same(v);
}

}  // namespace
