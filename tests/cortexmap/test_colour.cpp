// Colour indices and the vertex colour ramp.
#include <gtest/gtest.h>

#include <array>

#include "cortexmap/colour.h"

using Rgb = std::array<std::int32_t, 3>;

TEST(VertexColour, RampExamplesAndClampedDarkRed) {
  EXPECT_EQ(cortexmap::vertex_colour(0), (Rgb{192, 192, 192}));
  EXPECT_EQ(cortexmap::vertex_colour(25), (Rgb{192, 192, 192}));
  EXPECT_EQ(cortexmap::vertex_colour(26), (Rgb{0, 0, 255}));
  EXPECT_EQ(cortexmap::vertex_colour(53), (Rgb{0, 240, 255}));
  EXPECT_EQ(cortexmap::vertex_colour(81), (Rgb{8, 255, 0}));
  EXPECT_EQ(cortexmap::vertex_colour(209), (Rgb{3, 0, 0}));
  // From index 210 on the dark-red formula goes negative: red stays 0.
  for (int v = 210; v <= 255; ++v) EXPECT_EQ(cortexmap::vertex_colour(v), (Rgb{0, 0, 0})) << v;
  // every component fits a uchar
  for (int v = 0; v <= 255; ++v)
    for (int c : cortexmap::vertex_colour(v)) {
      EXPECT_GE(c, 0) << v;
      EXPECT_LE(c, 255) << v;
    }
}

TEST(ColourIndex, RangeOfTheUnscaledCurrentDensity) {
  cortexmap::MapStore m;
  m.nelem = 5;
  m.fields.jmag = {0, 2.0f, 4.0f, 1.0f, 3.0f, 1.5f};
  cortexmap::colour_index(m);
  EXPECT_EQ(m.icol, (std::vector<std::int32_t>{0, 85, 255, 0, 170, 42}));
  // constant current density: every index 0, so every vertex grey
  m.fields.jmag = {0, 7.0f, 7.0f, 7.0f, 7.0f, 7.0f};
  cortexmap::colour_index(m);
  EXPECT_EQ(m.icol, (std::vector<std::int32_t>(6, 0)));
  EXPECT_EQ(cortexmap::vertex_colour(m.icol[3]), (Rgb{192, 192, 192}));
}
