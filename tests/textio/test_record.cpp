// Free-format writing: the blank rules of character items and the fields of
// integers and 32- and 64-bit reals.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

#include "textio/record.h"

using textio::format_i32;
using textio::format_r32;
using textio::format_r64;
using textio::Record;

TEST(Record, BlankRules) {
  EXPECT_EQ(Record().text(" Read from [xyz.dat] ").str(), "  Read from [xyz.dat] ");
  EXPECT_EQ(Record().text(" # of non-zeros : ").i32(1234).str(), "  # of non-zeros :         1234");
  EXPECT_EQ(Record().i32(7).r64(2.5).str(), "           7   2.50000000000000     ");
  EXPECT_EQ(Record().str(), " ");
  // text after text follows directly, text after a number gets one blank
  EXPECT_EQ(Record().text("zone n = ").i32(3).text(" , e = ").i32(1).text("x").str(),
            " zone n =            3  , e =            1 x");
  EXPECT_EQ(Record().text("a").text("b").r32(1.5f).str(), " ab   1.500000    ");
}

TEST(Record, IntegerField) {
  EXPECT_EQ(format_i32(0), "           0");
  EXPECT_EQ(format_i32(-42), "         -42");
  EXPECT_EQ(format_i32(std::numeric_limits<std::int32_t>::min()), " -2147483648");
}

TEST(Record, Real64Field) {
  EXPECT_EQ(format_r64(1.5), "   1.50000000000000     ");
  EXPECT_EQ(format_r64(-1.5), "  -1.50000000000000     ");
  EXPECT_EQ(format_r64(0.001), "  1.000000000000000E-003");
  EXPECT_EQ(format_r64(-2.5e-300), " -2.500000000000000E-300");
  EXPECT_EQ(format_r64(0.0), "  0.000000000000000E+000");
  EXPECT_EQ(format_r64(123456.789), "   123456.789000000     ");
  EXPECT_EQ(format_r64(1.0 / 3.0), "  0.333333333333333     ");
  // The fixed form is chosen on the magnitude rounded to 15 digits.
  EXPECT_EQ(format_r64(0.09999999999999999), "  0.100000000000000     ");
  EXPECT_EQ(format_r64(0.0999999999999), "  9.999999999990000E-002");
  EXPECT_EQ(format_r64(999999999999999.0), "   999999999999999.     ");
  EXPECT_EQ(format_r64(999999999999999.5), "  9.999999999999995E+014");
  EXPECT_EQ(format_r64(1e15), "  1.000000000000000E+015");
  EXPECT_EQ(format_r64(-0.1), " -0.100000000000000     ");
  for (double v : {1.5, -0.001, 1e300, 0.2, 123.456}) EXPECT_EQ(format_r64(v).size(), 24u) << v;
  EXPECT_EQ(format_r64(std::numeric_limits<double>::quiet_NaN()), std::string(21, ' ') + "NaN");
}

TEST(Record, Real32Field) {
  EXPECT_EQ(format_r32(1.5f), "   1.500000    ");
  EXPECT_EQ(format_r32(1.0E-14f), "  9.9999998E-15");
  EXPECT_EQ(format_r32(0.0f), "  0.0000000E+00");
  EXPECT_EQ(format_r32(0.1f), "  0.1000000    ");
  EXPECT_EQ(format_r32(-0.25f), " -0.2500000    ");
  EXPECT_EQ(format_r32(std::nextafter(0.1f, 0.0f)), "  9.9999994E-02");
  // 999999.95 is stored as 999999.9375: seven digits give 999999.9.
  EXPECT_EQ(format_r32(999999.95f), "   999999.9    ");
  EXPECT_EQ(format_r32(9999998.0f), "   9999998.    ");
  EXPECT_EQ(format_r32(std::nextafter(1.0f, 0.0f)), "  0.9999999    ");
  EXPECT_EQ(format_r32(1.0e6f), "   1000000.    ");
  EXPECT_EQ(format_r32(9999999.0f), "   9999999.    ");
  EXPECT_EQ(format_r32(1.0e7f), "  1.0000000E+07");
  EXPECT_EQ(format_r32(-3.0e38f), " -3.0000000E+38");
  EXPECT_EQ(format_r32(std::numeric_limits<float>::denorm_min()), "  1.4012985E-45");
}

TEST(Record, RealDigitsAreThoseOfTheCLibrary) {
  // The fields are rendered by std::to_chars; the C library's correctly rounded
  // "%.*e" / "%#.*f" give the same characters, across every magnitude and at
  // the boundaries between the fixed and the exponent form.
  auto printf_field = [](double v, int sig, int numw, int trail) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", sig - 1, std::fabs(v));
    const int x = std::atoi(std::strchr(buf, 'e') + 1);
    if (v != 0.0 && x >= -1 && x <= sig - 1) {
      std::snprintf(buf, sizeof buf, "%#.*f", sig - 1 - x, v);
      return std::string(numw - std::strlen(buf), ' ') + buf + std::string(trail, ' ');
    }
    std::snprintf(buf, sizeof buf, "%.*e", sig, v);
    char* e = std::strchr(buf, 'e');
    const int y = std::atoi(e + 1);
    std::snprintf(e, 16, "E%c%0*d", y < 0 ? '-' : '+', sig == 15 ? 3 : 2, std::abs(y));
    return std::string(numw + trail - std::strlen(buf), ' ') + buf;
  };
  std::mt19937_64 rng(20);
  for (int k = 0; k < 200000; ++k) {
    // random bits, or a value near a power of ten (the boundaries of the forms)
    double v = std::bit_cast<double>(rng());
    if (k % 2) v = std::nextafter(std::pow(10.0, static_cast<int>(rng() % 40) - 20), (rng() % 2) ? 0.0 : 1e300);
    if (!std::isfinite(v)) continue;
    const float f = static_cast<float>(v);
    ASSERT_EQ(format_r64(v), printf_field(v, 15, 19, 5)) << std::hexfloat << v;
    if (std::isfinite(f)) {
      ASSERT_EQ(format_r32(f), printf_field(f, 7, 11, 4)) << std::hexfloat << f;
    }
  }
}
