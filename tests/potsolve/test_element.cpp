// The stiffness matrix of one tetrahedron.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

#include "potsolve/element.h"

namespace {

using Corners = std::array<std::array<float, 3>, 4>;

struct Result {
  bool solid;
  double ek[4][4];
  double fe[4];
};

Result compute(const Corners& p, float sigma) {
  float xe[3][4];
  for (int k = 0; k < 4; ++k)
    for (int c = 0; c < 3; ++c) xe[c][k] = p[k][c];
  Result r;
  for (double& f : r.fe) f = 99.0;  // must be overwritten
  r.solid = potsolve::element_matrix(xe, sigma, r.ek, r.fe);
  return r;
}

const Corners unit = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

// Corners on a grid of step 1/64 in [-2, 2], so that multiples by 3 and shifts
// by 64 keep the 32-bit coordinates exact.
Corners random_corners(std::mt19937& rng) {
  Corners p;
  for (auto& q : p)
    for (float& x : q) x = static_cast<float>(static_cast<int>(rng() % 257) - 128) / 64.0f;
  return p;
}

TEST(ElementMatrix, UnitTetrahedron) {
  const Result r = compute(unit, 1.0f);
  ASSERT_TRUE(r.solid);
  const double s = 1.0 / 6.0;
  const double want[4][4] = {{0.5, -s, -s, -s}, {-s, s, 0, 0}, {-s, 0, s, 0}, {-s, 0, 0, s}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(r.fe[i], 0.0);
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(r.ek[i][j], want[i][j], 1e-15) << i << "," << j;
  }
}

TEST(ElementMatrix, SymmetryCornerOrderAndScaling) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 50; ++trial) {
    const Corners p = trial == 0 ? unit : random_corners(rng);
    const Result base = compute(p, 0.75f);
    ASSERT_TRUE(base.solid);
    const double mag = std::fabs(base.ek[0][0]);
    // symmetric, positive diagonal, rows summing to zero
    for (int i = 0; i < 4; ++i) {
      double sum = 0.0, rowmag = 0.0;
      for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(base.ek[i][j], base.ek[j][i]);
        sum += base.ek[i][j];
        rowmag += std::fabs(base.ek[i][j]);
      }
      EXPECT_GT(base.ek[i][i], 0.0);
      EXPECT_LE(std::fabs(sum), 1e-13 * rowmag);
    }
    // every corner order, mirror images included, permutes the same values
    std::array<int, 4> perm = {0, 1, 2, 3};
    do {
      Corners q;
      for (int k = 0; k < 4; ++k) q[k] = p[perm[k]];
      const Result r = compute(q, 0.75f);
      for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(r.ek[i][j], base.ek[perm[i]][perm[j]], 1e-12 * mag);
    } while (std::next_permutation(perm.begin(), perm.end()));
    // size s scales ek by s (powers of two exactly), sigma likewise; only the
    // corners' differences count
    Corners p2 = p, p3 = p, moved = p;
    for (int k = 0; k < 4; ++k)
      for (int c = 0; c < 3; ++c) p2[k][c] *= 2.0f, p3[k][c] *= 3.0f, moved[k][c] += 64.0f;
    const Result twice = compute(p2, 0.75f), thrice = compute(p3, 0.75f);
    const Result sig2 = compute(p, 1.5f), shifted = compute(moved, 0.75f);
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(twice.ek[i][j], 2.0 * base.ek[i][j]);
        EXPECT_NEAR(thrice.ek[i][j], 3.0 * base.ek[i][j], 3e-12 * (mag + std::fabs(base.ek[i][i])));
        EXPECT_EQ(sig2.ek[i][j], 2.0 * base.ek[i][j]);
        EXPECT_EQ(shifted.ek[i][j], base.ek[i][j]);
      }
  }
}

TEST(ElementMatrix, ZeroVolumeIsSignalled) {
  const Corners coplanar = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.3f, 0.7f, 0}}};
  const Corners tilted = {{{0.1f, 0.2f, 0.3f}, {1.1f, 0.2f, 1.3f}, {0.1f, 1.2f, 0.3f}, {1.1f, 1.2f, 1.3f}}};
  const Corners collinear = {{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {0, 1, 0}}};
  const Corners repeated = {{{0.3f, 0.1f, 0.9f}, {1, 0, 0}, {0.3f, 0.1f, 0.9f}, {0, 0, 1}}};
  for (const Corners& p : {coplanar, tilted, collinear, repeated}) {
    const Result r = compute(p, 1.0f);
    EXPECT_FALSE(r.solid);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(r.fe[i], 0.0);
      for (int j = 0; j < 4; ++j) EXPECT_EQ(r.ek[i][j], 0.0);
    }
  }
  // corners 0, a, b, 2a: the rounded determinant is often not exactly zero
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  for (int trial = 0; trial < 200; ++trial) {
    Corners p = {};
    for (int c = 0; c < 3; ++c) {
      p[1][c] = u(rng);
      p[2][c] = 3.7f * u(rng);
      p[3][c] = 2.0f * p[1][c];
    }
    EXPECT_FALSE(compute(p, 1.0f).solid) << trial;
  }
  // a flat but genuine sliver still has a volume
  const Corners sliver = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.3f, 0.3f, 1e-6f}}};
  const Result r = compute(sliver, 1.0f);
  EXPECT_TRUE(r.solid);
  EXPECT_TRUE(std::isfinite(r.ek[3][3]));
}

}  // namespace
