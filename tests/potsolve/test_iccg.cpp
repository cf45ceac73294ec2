// The ICCG iteration: its result and monitor, the initial guess, the convergence
// test, breakdown, the failure exit, and a Laplace solve on a brick.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

#include "fixture.h"
#include "potsolve/assemble.h"
#include "potsolve/crew.h"
#include "potsolve/dirichlet.h"
#include "potsolve/threads.h"

namespace {

using potsolve::ModelStore;

bool all_finite(std::int32_t n, const std::vector<double>& v) {
  for (std::int32_t i = 1; i <= n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

// The assembled conduction system of a brick of cubes of edge 6, whose stiffness
// terms are whole numbers: the diagonal then loses nothing in 32 bits, and the
// discrete system keeps the linear potential as its exact solution. The faces
// x = 0 and the far x face are held at lo and hi when fixed is set (else
// singular, b = 0).
constexpr float edge = 6.0f;
std::int32_t brick_system(int nx, int ny, int nz, bool fixed, float lo, float hi, ModelStore& m) {
  m = fixture::make_store(testmesh::brick(nx, ny, nz, edge), {1.0f});
  potsolve::assemble(m, m.nnode, m.nelem);
  m.nbval = 2;
  m.bval[1] = lo;
  m.bval[2] = hi;
  for (std::int32_t i = 1; fixed && i <= m.nnode; ++i) {
    if (m.xyz[3 * i] == 0.0f) m.bcp[i] = -1;
    if (m.xyz[3 * i] == edge * static_cast<float>(nx)) m.bcp[i] = -2;
  }
  potsolve::apply_dirichlet(m, m.nnode);
  return m.nnode;
}

// The monitor's calls: iteration and relative residual of every test.
struct Tests {
  std::vector<std::pair<std::int32_t, double>> calls;
  potsolve::PcgMonitor monitor() {
    return [this](std::int32_t iter, double rel) { calls.emplace_back(iter, rel); };
  }
};

TEST(Iccg, Constants) {
  EXPECT_EQ(std::bit_cast<std::uint64_t>(potsolve::tol_iccg), 0x3D06849B80000000u);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(potsolve::pivmin), 0x3E112E0BE0000000u);
  EXPECT_EQ(potsolve::maxit, 9900);
  // Only a relative residual strictly below the threshold ends the iteration.
  EXPECT_FALSE(potsolve::iccg_converged(potsolve::tol_iccg));
  EXPECT_TRUE(potsolve::iccg_converged(std::nextafter(potsolve::tol_iccg, 0.0)));
  EXPECT_FALSE(potsolve::iccg_converged(1.0e-14 + 1.0e-20));
  EXPECT_TRUE(potsolve::iccg_converged(0.0));
}

TEST(Iccg, ExactInitialGuessRunsToFirstTest) {
  // A diagonal system is solved exactly by M^-1 b: r = 0, p.A.p = 0 from the
  // first step on; x stays, and the test at iteration 10 reports 0.
  ModelStore m;
  const std::int32_t n = fixture::load_dense(m, {{}, {0, 2, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 0.5}});
  m.rhs = {0.0, 1.0, 2.0, 3.0};
  m.pot = {0.0, 9.0, 9.0, 9.0};
  Tests t;
  const potsolve::PcgResult r = potsolve::iccg_solve(m, n, t.monitor());
  EXPECT_TRUE(r.converged);
  EXPECT_EQ(r.iterations, 10);
  EXPECT_EQ(r.residual, 0.0);
  EXPECT_EQ(t.calls, (std::vector<std::pair<std::int32_t, double>>{{10, 0.0}}));
  EXPECT_EQ(m.pot, (std::vector<double>{0.0, 0.5, 0.5, 6.0}));
  EXPECT_EQ(m.res, (std::vector<double>{0.0, 0.0, 0.0, 0.0}));
}

TEST(Iccg, IterationLimitAroundFirstTest) {
  // Converging at the test of the last allowed iteration still succeeds; a limit
  // below the first test fails without any test.
  for (std::int32_t itmax : {10, 9}) {
    ModelStore m;
    const std::int32_t n = fixture::load_dense(m, {{}, {0, 2, 0}, {0, 0, 4}});
    m.rhs = {0.0, 1.0, 1.0};
    const potsolve::IccgSystem s = potsolve::prepare_iccg(m, n);
    Tests t;
    const potsolve::PcgResult r = potsolve::pcg_iterate(s, m.rhs, m.pot, m.res, t.monitor(), itmax);
    EXPECT_EQ(r.converged, itmax == 10);
    EXPECT_EQ(r.iterations, itmax);
    EXPECT_EQ(t.calls.size(), itmax == 10 ? 1u : 0u);
  }
}

TEST(Iccg, InitialGuessIsPreconditionedRhs) {
  // With no iteration allowed, x is the initial guess: M^-1 b, whatever pot held.
  ModelStore m;
  const std::int32_t n = brick_system(5, 4, 3, true, 1.0, 2.0, m);
  const potsolve::IccgSystem s = potsolve::prepare_iccg(m, n);
  m.pot.assign(n + 1, std::numeric_limits<double>::quiet_NaN());
  std::vector<double> guess(n + 1, 0.0);
  potsolve::precond_solve(s.a, s.f, m.rhs, guess);
  Tests t;
  const potsolve::PcgResult r = potsolve::pcg_iterate(s, m.rhs, m.pot, m.res, t.monitor(), 0);
  EXPECT_FALSE(r.converged);
  EXPECT_EQ(r.iterations, 0);
  EXPECT_TRUE(t.calls.empty());
  EXPECT_EQ(fixture::first_bit_difference(m.pot, guess, 1), -1);
}

TEST(Iccg, ZeroRightHandSide) {
  // A brick with no fixed node: singular matrix, b = 0. |b| becomes n, no step
  // divides by zero, and the test at iteration 10 ends the solve.
  ModelStore m;
  const std::int32_t n = brick_system(3, 3, 3, false, 0.0, 0.0, m);
  Tests t;
  const potsolve::PcgResult r = potsolve::iccg_solve(m, n, t.monitor());
  EXPECT_TRUE(r.converged);
  EXPECT_EQ(t.calls, (std::vector<std::pair<std::int32_t, double>>{{10, 0.0}}));
  for (std::int32_t i = 1; i <= n; ++i) ASSERT_EQ(m.pot[i], 0.0);
  EXPECT_TRUE(all_finite(n, m.res));
}

TEST(Iccg, LaplaceBrickReproducesLinearPotential) {
  ModelStore m;
  const int nx = 7;
  const std::int32_t n = brick_system(nx, 5, 4, true, 1.0, 4.5, m);
  Tests t;
  const potsolve::PcgResult r = potsolve::iccg_solve(m, n, t.monitor());
  ASSERT_TRUE(r.converged);
  for (std::int32_t i = 1; i <= n; ++i) {
    const double exact = 1.0 + 0.5 * m.xyz[3 * i] / edge;
    ASSERT_NEAR(m.pot[i], exact, 1e-10 * exact) << "node " << i;
  }
  // A test every tenth iteration; only the last one below the threshold.
  ASSERT_FALSE(t.calls.empty());
  for (std::size_t k = 0; k < t.calls.size(); ++k) {
    EXPECT_EQ(t.calls[k].first, 10 * static_cast<std::int32_t>(k + 1));
    EXPECT_EQ(potsolve::iccg_converged(t.calls[k].second), k + 1 == t.calls.size()) << t.calls[k].first;
  }
  EXPECT_EQ(r.iterations, t.calls.back().first);
  EXPECT_EQ(r.residual, t.calls.back().second);
}

TEST(Iccg, UnreachableToleranceRunsFullLimit) {
  // A singular brick (no node held) with a right-hand side outside its range:
  // |Ax-b|/|b| cannot fall below the part of b along the constant vector, so
  // the solve runs all 9900 iterations with 990 tests.
  ModelStore m;
  const std::int32_t n = brick_system(3, 3, 3, false, 0.0, 0.0, m);
  m.rhs[1] = 1.0;
  Tests t;
  const potsolve::PcgResult r = potsolve::iccg_solve(m, n, t.monitor());
  EXPECT_FALSE(r.converged);
  EXPECT_EQ(r.iterations, potsolve::maxit);
  ASSERT_EQ(t.calls.size(), 990u);
  EXPECT_EQ(t.calls.front().first, 10);
  EXPECT_EQ(t.calls.back().first, 9900);
  EXPECT_EQ(r.residual, t.calls.back().second);
  EXPECT_TRUE(all_finite(n, m.pot));
}

TEST(Iccg, ThreadCountLeavesEveryBitUnchanged) {
  // A brick large enough for the shared product and the level-scheduled sweeps;
  // one, two and three threads give the same iterates, tests and residual.
  ModelStore m;
  const std::int32_t n = brick_system(30, 14, 12, true, 1.0, 0.25, m);
  ASSERT_GE(n, potsolve::shared_min_rows);
  std::vector<double> pot1, res1;
  Tests t1;
  potsolve::PcgResult r1;
  for (int threads : {1, 2, 3}) {
    SCOPED_TRACE(threads);
    const potsolve::IccgSystem s = potsolve::prepare_iccg(m, n, threads);
    ASSERT_EQ(s.plan.members, threads);
    if (threads > 1) {
      ASSERT_TRUE(s.plan.forward.shared && s.plan.backward.shared);
    }
    Tests t;
    std::vector<double> pot(n + 1, 0.0), res(n + 1, 0.0);
    const potsolve::PcgResult r = potsolve::pcg_iterate(s, m.rhs, pot, res, t.monitor());
    ASSERT_TRUE(r.converged);
    if (threads == 1) {
      pot1 = pot, res1 = res, t1 = t, r1 = r;
      continue;
    }
    EXPECT_EQ(fixture::first_bit_difference(pot, pot1, 1), -1);
    EXPECT_EQ(fixture::first_bit_difference(res, res1, 1), -1);
    EXPECT_EQ(t.calls, t1.calls);
    EXPECT_EQ(r.iterations, r1.iterations);
  }
}

TEST(Iccg, CrewKernelsEqualThePlainOnesBitForBit) {
  // The crew takes the product's rows by term count and the sweeps' rows by
  // level, or in order with padded rows; every value must still come from the
  // plain kernels' operations, on one thread and on several. A brick numbered
  // as a mesher might (odd nodes first: uneven rows, hundreds of levels), and a
  // mesh whose numbering follows it (rows in order). A right-hand side of -0
  // throughout tests that a padding term keeps the sign of a zero sum.
  struct Case {
    const char* name;
    testmesh::Mesh mesh;
    bool in_order;
  } cases[] = {
      {"odd nodes first", testmesh::odd_nodes_first(testmesh::brick(24, 13, 12, edge)), false},
      {"numbered along the mesh", testmesh::random_mesh(2 * potsolve::shared_min_rows, 30000, 5, 0.0, 5), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ModelStore m = fixture::make_store(c.mesh);  // the random mesh has three materials
    potsolve::assemble(m, m.nnode, m.nelem);
    const std::int32_t n = m.nnode;
    ASSERT_GE(n, potsolve::shared_min_rows);
    std::vector<double> x(n + 1, 0.0), b(n + 1, 0.0), zeros(n + 1, -0.0);
    for (std::int32_t i = 1; i <= n; ++i) x[i] = std::sin(0.37 * i), b[i] = std::cos(0.11 * i);
    const potsolve::IccgSystem plain = potsolve::prepare_iccg(m, n, 1);
    std::vector<double> y0(n + 1, 0.0), r0(n + 1, 0.0), z0(n + 1, 0.0), zz0(n + 1, 0.0);
    const double dot0 = potsolve::matvec_dot(plain.a, x, y0);
    const double ee0 = potsolve::residual_squared(plain.a, x, b, r0);
    potsolve::precond_solve(plain.a, plain.f, b, z0);
    potsolve::precond_solve(plain.a, plain.f, zeros, zz0);
    // a step of the iteration: r = b - alpha y made inside the forward sweep
    const double alpha = 0.3;
    std::vector<double> rs0(n + 1, 0.0), zs0(n + 1, 0.0);
    for (std::int32_t i = 1; i <= n; ++i) rs0[i] = b[i] - alpha * y0[i];
    potsolve::precond_solve(plain.a, plain.f, rs0, zs0);
    for (int threads : {1, 2, 3}) {
      SCOPED_TRACE(threads);
      const potsolve::IccgSystem s = potsolve::prepare_iccg(m, n, threads);
      ASSERT_EQ(s.plan.forward.levels == 1, c.in_order);
      ASSERT_EQ(s.plan.backward.levels == 1, c.in_order);
      potsolve::Crew crew(s);
      // each pace takes both ways in its first two calls (shared, then member 0 alone)
      for (int call = 1; call <= 2; ++call) {
        SCOPED_TRACE(call);
        std::vector<double> y(n + 1, 0.0), r(n + 1, 0.0), z(n + 1, 0.0), zz(n + 1, 0.0);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(crew.matvec_dot(x, y)), std::bit_cast<std::uint64_t>(dot0));
        EXPECT_EQ(fixture::first_bit_difference(y, y0), -1);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(crew.residual_squared(x, b, r)), std::bit_cast<std::uint64_t>(ee0));
        EXPECT_EQ(fixture::first_bit_difference(r, r0), -1);
        crew.precond(b, z);
        EXPECT_EQ(fixture::first_bit_difference(z, z0), -1);
        zz[0] = std::numeric_limits<double>::quiet_NaN();  // an unused entry may hold anything
        crew.precond(zeros, zz);
        EXPECT_EQ(fixture::first_bit_difference(zz, zz0, 1), -1);
      }
      potsolve::Crew stepping(s);  // a pace of its own, both ways in its first two calls
      for (int call = 1; call <= 2; ++call) {
        SCOPED_TRACE(call);
        std::vector<double> r = b, z(n + 1, 0.0);
        stepping.step_precond(r, y0, alpha, z);
        EXPECT_EQ(fixture::first_bit_difference(r, rs0), -1);
        EXPECT_EQ(fixture::first_bit_difference(z, zs0), -1);
      }
    }
  }
}

TEST(Iccg, StallWatchSpeaksOnceAfterFiftyTestsWithoutAFall) {
  // residual of test k (1-based); the test at which the watch speaks (0: never)
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* name;
    std::function<double(int)> rel;
    int speaks;
  } cases[] = {
      {"falling", [](int k) { return 1.0 / k; }, 0},
      {"flat", [](int) { return 1.15e-14; }, 51},
      {"falls until test 30, then flat", [](int k) { return k < 30 ? 1.0 / k : 1.0 / 30; }, 80},
      {"rises", [](int k) { return 1.0 * k; }, 51},
      {"falls by a little every 50th test", [](int k) { return 1.0 - (k / 50) * 1e-3; }, 0},
      {"not a number", [nan](int) { return nan; }, 51},
  };
  for (const Case& c : cases) {
    potsolve::StallWatch watch;
    int spoke = 0, times = 0;
    for (int k = 1; k <= 990; ++k)
      if (watch.stalled(c.rel(k))) spoke = k, ++times;
    EXPECT_EQ(spoke, c.speaks) << c.name;
    EXPECT_EQ(times, c.speaks ? 1 : 0) << c.name;
  }
}

TEST(Iccg, UnfitPatternIsThrown) {
  ModelStore m;
  fixture::load_rows(m, {{}, {1, 2}, {2}});  // (1,2) without (2,1)
  try {
    potsolve::iccg_solve(m, 2);
    FAIL() << "no error";
  } catch (const potsolve::UnfitPattern& u) {
    EXPECT_EQ(u.row, 1);
  }
}

}  // namespace
