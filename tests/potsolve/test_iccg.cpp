// The ICCG iteration: console records, the initial guess, the convergence test,
// breakdown, the failure exit, and a Laplace solve on a brick.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <regex>
#include <sstream>

#include "fixture.h"
#include "potsolve/assemble.h"
#include "potsolve/dirichlet.h"
#include "textio/console.h"
#include "textio/errors.h"

namespace {

using potsolve::IccgStore;
using potsolve::ModelStore;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

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

const char* const head =
    " \n"
    "  Tolerance of ICCG  :   9.9999998E-15\n"
    " \n"
    "  ICCG iteration begin.\n";
// A solve ended by the first test, at iteration 10, with the residual 0.
const std::string zero_at_ten = std::string(head) +
                                "    10  |Ax-b|/|b| = 0.0000000E+00\n"
                                "  ICCG iteration terminated.\n"
                                " \n";

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
  textio::ConsoleCapture cap;
  EXPECT_TRUE(potsolve::iccg_solve(m, n));
  EXPECT_EQ(cap.text(), zero_at_ten);
  EXPECT_EQ(m.pot, (std::vector<double>{0.0, 0.5, 0.5, 6.0}));
  EXPECT_EQ(m.res, (std::vector<double>{0.0, 0.0, 0.0, 0.0}));
}

TEST(Iccg, IterationLimitAroundFirstTest) {
  // Converging at the test of the last allowed iteration still succeeds; a limit
  // below the first test fails without any progress record.
  for (std::int32_t itmax : {10, 9}) {
    ModelStore m;
    const std::int32_t n = fixture::load_dense(m, {{}, {0, 2, 0}, {0, 0, 4}});
    m.rhs = {0.0, 1.0, 1.0};
    IccgStore s;
    fixture::prepare(n, m, s);
    textio::ConsoleCapture cap;
    const bool ok = potsolve::pcg_iterate(n, m, s, itmax);
    EXPECT_EQ(ok, itmax == 10);
    EXPECT_EQ(cap.text().find("    10  |Ax-b|/|b| =") != std::string::npos, itmax == 10);
    EXPECT_EQ(cap.text().find(" CONVERGENCE IS FAILED\n") != std::string::npos, itmax == 9);
  }
}

TEST(Iccg, InitialGuessIsPreconditionedRhs) {
  // With no iteration allowed, x is the initial guess: M^-1 b, whatever pot held.
  ModelStore m;
  const std::int32_t n = brick_system(5, 4, 3, true, 1.0, 2.0, m);
  IccgStore s;
  fixture::prepare(n, m, s);
  m.pot.assign(n + 1, std::numeric_limits<double>::quiet_NaN());
  std::vector<double> guess(n + 1, 0.0);
  potsolve::precond_solve(n, m, s, m.rhs, guess);
  textio::ConsoleCapture cap;
  EXPECT_FALSE(potsolve::pcg_iterate(n, m, s, 0));
  EXPECT_EQ(fixture::first_bit_difference(m.pot, guess, 1), -1);
  EXPECT_EQ(cap.text().substr(0, std::string(head).size()), head);
  EXPECT_NE(cap.text().find(" CONVERGENCE IS FAILED\n"), std::string::npos);
}

TEST(Iccg, ZeroRightHandSide) {
  // A brick with no fixed node: singular matrix, b = 0. |b| becomes n, no step
  // divides by zero, and the test at iteration 10 ends the solve.
  ModelStore m;
  const std::int32_t n = brick_system(3, 3, 3, false, 0.0, 0.0, m);
  textio::ConsoleCapture cap;
  EXPECT_TRUE(potsolve::iccg_solve(m, n));
  EXPECT_EQ(cap.text(), zero_at_ten);
  for (std::int32_t i = 1; i <= n; ++i) ASSERT_EQ(m.pot[i], 0.0);
  EXPECT_TRUE(all_finite(n, potsolve::iccg_store().pdir));
}

TEST(Iccg, LaplaceBrickReproducesLinearPotential) {
  ModelStore m;
  const int nx = 7;
  const std::int32_t n = brick_system(nx, 5, 4, true, 1.0, 4.5, m);
  textio::ConsoleCapture cap;
  ASSERT_TRUE(potsolve::iccg_solve(m, n));
  for (std::int32_t i = 1; i <= n; ++i) {
    const double exact = 1.0 + 0.5 * m.xyz[3 * i] / edge;
    ASSERT_NEAR(m.pot[i], exact, 1e-10 * exact) << "node " << i;
  }
  // Progress every tenth iteration in its fixed layout, then the end records.
  const std::vector<std::string> out = lines(cap.text());
  ASSERT_GE(out.size(), 7u);
  const std::regex progress(R"( ([ \d]{5})  \|Ax-b\|/\|b\| = 0\.\d{7}E[-+]\d\d)");
  for (std::size_t k = 4; k + 2 < out.size(); ++k) {
    std::smatch g;
    ASSERT_TRUE(std::regex_match(out[k], g, progress)) << out[k];
    EXPECT_EQ(std::stoi(g[1]), 10 * static_cast<int>(k - 3)) << out[k];
  }
  EXPECT_EQ(out[out.size() - 2], "  ICCG iteration terminated.");
  EXPECT_EQ(out.back(), " ");
}

TEST(Iccg, UnreachableToleranceRunsFullLimit) {
  // A singular brick (no node held) with a right-hand side outside its range:
  // |Ax-b|/|b| cannot fall below the part of b along the constant vector, so
  // the solve runs all 9900 iterations and prints 990 progress records.
  ModelStore m;
  const std::int32_t n = brick_system(3, 3, 3, false, 0.0, 0.0, m);
  m.rhs[1] = 1.0;
  textio::ConsoleCapture cap;
  EXPECT_FALSE(potsolve::iccg_solve(m, n));
  const std::vector<std::string> out = lines(cap.text());
  ASSERT_GE(out.size(), 4u + 990u + 1u);
  EXPECT_EQ(out[4].substr(0, 20), "    10  |Ax-b|/|b| =");
  EXPECT_EQ(out[993].substr(0, 20), "  9900  |Ax-b|/|b| =");
  EXPECT_EQ(out[994], " CONVERGENCE IS FAILED");
  EXPECT_GT(out.size(), 995u) << "the pause writes its prompt";
  EXPECT_TRUE(all_finite(n, m.pot));
}

TEST(Iccg, UnfitPatternEndsRun) {
  ModelStore m;
  fixture::load_rows(m, {{}, {1, 2}, {2}});  // (1,2) without (2,1)
  textio::ConsoleCapture cap;
  try {
    potsolve::iccg_solve(m, 2);
    FAIL() << "no stop";
  } catch (const textio::Stop& stop) {
    EXPECT_EQ(stop.status, textio::exit_handled);
  }
  EXPECT_EQ(cap.text(), "  Matrix pattern unfit for ICCG at row            1\n");
}

}  // namespace
