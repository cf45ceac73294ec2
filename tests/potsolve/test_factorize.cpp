// The incomplete Cholesky factor: factor values, pivots, the 32-bit diagonal
// and the pivot floor.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fixture.h"

namespace {

using potsolve::ModelStore;

// Pivot d(k) as 1/rdiag(k) and rdiag itself after preparing a dense matrix.
struct Factored {
  ModelStore m;
  potsolve::IccgSystem s;
  std::int32_t n = 0;
  double rdiag(std::int32_t k) const { return s.f.rdiag[k]; }
  double sfac(std::int32_t p) const { return s.f.lowfac[p]; }
};

Factored factor(const std::vector<std::vector<double>>& a) {
  Factored f;
  f.n = fixture::load_dense(f.m, a);
  f.s = potsolve::prepare_iccg(f.m, f.n);
  return f;
}

TEST(Factorize, FullThreeByThree) {
  const Factored f = factor({{}, {0, 4, 1, 1}, {0, 1, 4, 1}, {0, 1, 1, 4}});
  EXPECT_EQ(f.s.a.nlow(), 3);
  EXPECT_EQ(f.sfac(1), 1.0);   // S(2,1)
  EXPECT_EQ(f.sfac(2), 1.0);   // S(3,1)
  EXPECT_EQ(f.sfac(3), 0.75);  // S(3,2) = 1 - 1*1*0.25
  EXPECT_EQ(f.rdiag(1), 0.25);
  EXPECT_EQ(f.rdiag(2), 1.0 / 3.75);
  EXPECT_DOUBLE_EQ(1.0 / f.rdiag(3), 3.6);
  // The lower matrix values stay as assembled.
  EXPECT_EQ(f.s.a.lowval[1], 1.0);
  EXPECT_EQ(f.s.a.lowval[3], 1.0);
}

TEST(Factorize, TridiagonalKeepsMatrixValues) {
  // no common columns between neighbouring rows: S is the matrix value and only
  // the pivots change, 4, 3.75, 4 - 1/3.75, ...
  std::vector<std::vector<double>> a(8, std::vector<double>(8, 0.0));
  for (int i = 1; i <= 7; ++i) a[i][i] = 4.0, a[i][i - 1] = a[i - 1][i] = i > 1 ? -1.0 : 0.0;
  const Factored f = factor(a);
  double d = 4.0;
  for (int k = 1; k <= 7; d = 4.0 - (1.0 / d) * 1.0, ++k) {
    if (k > 1) {
      EXPECT_EQ(f.sfac(k - 1), -1.0);
    }
    EXPECT_EQ(f.rdiag(k), 1.0 / d) << "row " << k;
  }
}

TEST(Factorize, DiagonalEntersIn32Bits) {
  const Factored f = factor({{}, {0, 0.1}});
  EXPECT_EQ(f.rdiag(1), 1.0 / static_cast<double>(0.1f));
  EXPECT_NE(f.rdiag(1), 1.0 / 0.1);
  // Off-diagonal terms keep 64 bits.
  const Factored g = factor({{}, {0, 2, 0.1}, {0, 0.1, 2}});
  EXPECT_EQ(g.sfac(1), 0.1);
  EXPECT_EQ(g.rdiag(2), 1.0 / (2.0 - 0.5 * (0.1 * 0.1)));
}

TEST(Factorize, PivotTermIsRdTimesSquare) {
  // d(2) = diag(2) - rd(1) * S^2; with this S the order (rd * S) * S rounds differently.
  const double sv = 674 / 997.0;
  const Factored f = factor({{}, {0, 3, sv}, {0, sv, 5}});
  EXPECT_EQ(f.rdiag(2), 1.0 / (5.0 - (1.0 / 3.0) * (sv * sv)));
  EXPECT_NE(5.0 - (1.0 / 3.0) * (sv * sv), 5.0 - ((1.0 / 3.0) * sv) * sv);
}

TEST(Factorize, PivotFloor) {
  EXPECT_EQ(potsolve::pivmin, static_cast<double>(1.0e-9f));
  const double rfloor = 1.0 / potsolve::pivmin;
  // an exactly zero pivot ([[1,1],[1,1]] leaves d(2) = 1 - 1 = 0)
  EXPECT_EQ(factor({{}, {0, 1, 1}, {0, 1, 1}}).rdiag(2), rfloor);
  const float above = std::nextafter(1.0e-9f, 1.0f);
  // magnitude up to the floor, also when negative: replaced by +pivmin; just
  // above the floor, or negative beyond it: used as it is
  for (const auto& [d, rd] : {std::pair{1.0e-9, rfloor}, {-1.0e-9, rfloor}, {1.0e-12, rfloor}, {0.0, rfloor},
                              {double(above), 1.0 / double(above)}, {-2.0e-9, 1.0 / double(-2.0e-9f)}})
    EXPECT_EQ(factor({{}, {0, d}}).rdiag(1), rd) << d;
}

TEST(Factorize, FactorMatchesDenseIncompleteCholesky) {
  // Against a dense LDL^T restricted to the lower pattern, on a mesh matrix.
  ModelStore m;
  const std::int32_t n = fixture::mesh_pattern(testmesh::random_mesh(60, 150, 11), m);
  fixture::dominant_values(n, 5, m);
  std::vector<std::vector<double>> a(n + 1, std::vector<double>(n + 1, 0.0));
  std::vector<std::vector<bool>> in(n + 1, std::vector<bool>(n + 1, false));
  for (std::int32_t i = 1; i <= n; ++i)
    for (std::int32_t p = m.irow[i - 1] + 1; p <= m.irow[i]; ++p) {
      a[i][m.jcol[p]] = m.jcol[p] == i ? static_cast<float>(m.amat[p]) : m.amat[p];
      in[i][m.jcol[p]] = true;
    }
  const potsolve::IccgSystem s = potsolve::prepare_iccg(m, n);
  std::vector<double> d(n + 1, 0.0);
  std::vector<std::vector<double>> sv(n + 1, std::vector<double>(n + 1, 0.0));
  for (std::int32_t k = 1; k <= n; ++k) {
    for (std::int32_t c = 1; c < k; ++c) {
      if (!in[k][c]) continue;
      double v = a[k][c];
      for (std::int32_t t = 1; t < c; ++t)
        if (in[k][t] && in[c][t]) v -= sv[k][t] * sv[c][t] / d[t];
      sv[k][c] = v;
    }
    double dk = a[k][k];
    for (std::int32_t t = 1; t < k; ++t)
      if (in[k][t]) dk -= sv[k][t] * sv[k][t] / d[t];
    d[k] = std::fabs(dk) <= potsolve::pivmin ? potsolve::pivmin : dk;
  }
  for (std::int32_t k = 1; k <= n; ++k) {
    EXPECT_NEAR(s.f.rdiag[k] * d[k], 1.0, 1e-12) << "row " << k;
    for (std::int32_t p = s.a.lowptr[k - 1] + 1; p <= s.a.lowptr[k]; ++p)
      EXPECT_NEAR(s.f.lowfac[p], sv[k][s.a.lowcol[p]], 1e-12) << "term " << p;
  }
}

TEST(Factorize, InconsistentRowPointersAreCounted) {
  // Lower rows whose row 3 ends before row 2: the running position overshoots.
  potsolve::SplitMatrix a;
  a.n = 3;
  a.lowptr = {0, 0, 1, 0};
  a.lowcol = {0, 1};
  a.lowval = {0.0, -1.0};
  a.upptr = {0, 0, 0, 0};
  a.diag = {0.0f, 4.0f, 4.0f, 4.0f};
  const potsolve::IcFactor f = potsolve::factorize_ic(a);
  EXPECT_EQ(f.row_faults, 1);
  EXPECT_EQ(f.rdiag[3], 0.25);
}

}  // namespace
