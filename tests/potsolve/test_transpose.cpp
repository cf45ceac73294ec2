// The transpose map against the literal column sweep, and the product and the
// preconditioner solve that read the upper terms from their own rows.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "literal_transpose.h"
#include "fixture.h"
#include "potsolve/threads.h"

namespace {

using potsolve::ModelStore;

// An assembled matrix of order n.
struct Case {
  ModelStore m;
  std::int32_t n = 0;
};

// Patterns of several shapes with dominant values: meshes with repeated corners
// and isolated nodes, a brick, random symmetric patterns, and the orders 1 and 2.
std::vector<Case> cases() {
  std::vector<Case> out;
  auto add = [&](auto&& make, unsigned seed) {
    Case& c = out.emplace_back();
    c.n = make(c.m);
    fixture::dominant_values(c.n, seed, c.m);
  };
  for (unsigned seed = 1; seed <= 3; ++seed) {
    add([&](ModelStore& m) { return fixture::mesh_pattern(testmesh::random_mesh(150 * seed, 500 * seed, seed), m); }, seed);
    add([&](ModelStore& m) { return fixture::random_pattern(30 + 20 * seed, 0.05 * seed, 100 + seed, m); }, seed);
  }
  add([](ModelStore& m) { return fixture::mesh_pattern(testmesh::brick(4, 3, 5), m); }, 7);
  for (std::int32_t n : {1, 2}) add([n](ModelStore& m) { return fixture::random_pattern(n, 1.0, 9, m); }, 9);
  return out;
}

TEST(Transpose, FastMapEqualsLiteralSweep) {
  for (Case& c : cases()) {
    potsolve::SplitMatrix a = potsolve::split_triangles(c.n, c.m);
    potsolve::build_transpose_map(a);
    EXPECT_EQ(a.mirror, reference::literal_transpose_map(a)) << "order " << c.n;
    EXPECT_EQ(a.upptr[c.n], a.nlow());
  }
  // rows enough to be shared: three threads map as one does
  Case big;
  big.n = fixture::mesh_pattern(testmesh::odd_nodes_first(testmesh::brick(17, 16, 16)), big.m);
  ASSERT_GE(big.n, potsolve::shared_min_rows);
  fixture::dominant_values(big.n, 5, big.m);
  potsolve::SplitMatrix one = potsolve::split_triangles(big.n, big.m), three = one;
  potsolve::build_transpose_map(one);
  potsolve::build_transpose_map(three, 3);
  EXPECT_EQ(three.mirror, one.mirror);
  EXPECT_EQ(three.upval, one.upval);
}

// y = A x straight from the assembled rows: 32-bit diagonal first, then the
// lower and the upper terms in column order.
std::vector<double> assembled_product(const Case& c, const std::vector<double>& x) {
  const ModelStore& a = c.m;
  std::vector<double> y(c.n + 1, 0.0);
  for (std::int32_t i = 1; i <= c.n; ++i) {
    double t = static_cast<float>(a.amat[literal::find_jcoll(a, i, i)]) * x[i];
    for (std::int32_t p = a.irow[i - 1] + 1; p <= a.irow[i]; ++p)
      if (a.jcol[p] < i) t = t + a.amat[p] * x[a.jcol[p]];
    for (std::int32_t p = a.irow[i - 1] + 1; p <= a.irow[i]; ++p)
      if (a.jcol[p] > i) t = t + a.amat[p] * x[a.jcol[p]];
    y[i] = t;
  }
  return y;
}

std::vector<double> random_vector(std::int32_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> v(n + 1, 0.0);
  for (std::int32_t i = 1; i <= n; ++i) v[i] = u(rng);
  return v;
}

TEST(Transpose, ProductIsBitIdentical) {
  for (Case& c : cases()) {
    const potsolve::IccgSystem s = potsolve::prepare_iccg(c.m, c.n);
    const std::vector<double> x = random_vector(c.n, 3);
    std::vector<double> fast(c.n + 1);
    potsolve::matvec_split(s.a, x, fast);
    const std::vector<double> slow = assembled_product(c, x);
    EXPECT_EQ(fixture::first_bit_difference(fast, slow, 1), -1) << "order " << c.n;
    // the fused sums: the same terms added in the same ascending order
    const std::vector<double> b = random_vector(c.n, 5);
    double xy = 0.0, rr = 0.0;
    for (std::int32_t i = 1; i <= c.n; ++i) {
      xy = xy + x[i] * slow[i];
      rr = rr + (b[i] - slow[i]) * (b[i] - slow[i]);
    }
    std::vector<double> y(c.n + 1);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(potsolve::matvec_dot(s.a, x, y)), std::bit_cast<std::uint64_t>(xy));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(potsolve::residual_squared(s.a, x, b, y)),
              std::bit_cast<std::uint64_t>(rr));
  }
}

TEST(Transpose, PreconditionerSolvesM) {
  for (Case& c : cases()) {
    const potsolve::IccgSystem s = potsolve::prepare_iccg(c.m, c.n);
    const std::vector<double> r = random_vector(c.n, 4);
    std::vector<double> z(c.n + 1), lit(c.n + 1);
    potsolve::precond_solve(s.a, s.f, r, z);
    reference::literal_precond(s.a, s.f, r, lit);
    EXPECT_EQ(fixture::first_bit_difference(z, lit, 1), -1) << "order " << c.n;
    // M z = (D + L) D^-1 (D + L)^T z must give back r.
    const double* rd = s.f.rdiag.data();
    const double* sf = s.f.lowfac.data();
    const std::int32_t* ptr = s.a.lowptr.data();
    const std::int32_t* col = s.a.lowcol.data();
    std::vector<double> w(c.n + 1, 0.0), back(c.n + 1, 0.0);
    for (std::int32_t i = 1; i <= c.n; ++i) w[i] = z[i] / rd[i];
    for (std::int32_t i = 1; i <= c.n; ++i)
      for (std::int32_t p = ptr[i - 1] + 1; p <= ptr[i]; ++p) w[col[p]] += sf[p] * z[i];
    for (std::int32_t i = 1; i <= c.n; ++i) w[i] *= rd[i];
    for (std::int32_t i = 1; i <= c.n; ++i) {
      back[i] += w[i] / rd[i];
      for (std::int32_t p = ptr[i - 1] + 1; p <= ptr[i]; ++p) back[i] += sf[p] * w[col[p]];
    }
    for (std::int32_t i = 1; i <= c.n; ++i) ASSERT_NEAR(back[i], r[i], 1e-12) << "order " << c.n;
  }
}

}  // namespace
