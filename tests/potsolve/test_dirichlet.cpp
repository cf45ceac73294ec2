// Fixed potentials: symmetric elimination into amat and rhs.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "fixture.h"
#include "potsolve/assemble.h"
#include "potsolve/dirichlet.h"

namespace {

using fixture::first_bit_difference;
using potsolve::ModelStore;

// Assembled tables of a mesh, with the values bval(1..) read.
ModelStore assembled(const testmesh::Mesh& mesh, const std::vector<float>& bval = {}) {
  ModelStore m = fixture::make_store(mesh);
  potsolve::assemble(m, m.nnode, m.nelem);
  m.nbval = static_cast<std::int32_t>(bval.size());
  std::copy(bval.begin(), bval.end(), m.bval.begin() + 1);
  return m;
}

// The unit corner tetrahedron with conductivity 1.
testmesh::Mesh unit_tetrahedron() {
  testmesh::Mesh mesh;
  mesh.nnode = 4;
  mesh.xyz = {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
  mesh.nelem = 1;
  mesh.ielem = {0, 0, 0, 0, 1, 2, 3, 4};
  mesh.imat = {0, 1};
  return mesh;
}

double a(const ModelStore& m, std::int32_t i, std::int32_t j) { return m.amat[literal::find_jcoll(m, i, j)]; }

TEST(Dirichlet, UnitTetrahedronWithOneFixedNode) {
  ModelStore m = assembled(unit_tetrahedron(), {1.0f});
  m.bcp[1] = -1;
  potsolve::apply_dirichlet(m, 4);
  EXPECT_EQ(m.rhs[1], 1.0);
  EXPECT_EQ(a(m, 1, 1), 1.0);
  for (std::int32_t r = 2; r <= 4; ++r) {
    EXPECT_EQ(a(m, 1, r), 0.0);
    EXPECT_EQ(a(m, r, 1), 0.0);
    EXPECT_NEAR(a(m, r, r), 1.0 / 6.0, 1e-15);
    EXPECT_NEAR(m.rhs[r], 1.0 / 6.0, 1e-15);
    // the potential 1.0 everywhere satisfies row r
    double row = 0.0;
    for (std::int32_t p = m.irow[r - 1] + 1; p <= m.irow[r]; ++p) row += m.amat[p];
    EXPECT_NEAR(row, m.rhs[r], 1e-15);
  }
}

TEST(Dirichlet, NeighboursOfFixedNodes) {
  // node 1 held at 0 beside free nodes; nodes 1 and 2 both fixed
  for (const bool both : {false, true}) {
    ModelStore m = assembled(unit_tetrahedron(), {0.0f, -2.5f});
    m.bcp[1] = -1;
    if (both) m.bcp[2] = -2;
    potsolve::apply_dirichlet(m, 4);
    EXPECT_EQ(m.rhs[1], 0.0);
    EXPECT_EQ(a(m, 1, 2), 0.0);
    EXPECT_EQ(a(m, 2, 1), 0.0);
    // a neighbour held at 0 adds nothing to rhs(2); a fixed node 2 gets its own value
    EXPECT_EQ(m.rhs[2], both ? -2.5 : 0.0);
    if (both) {
      EXPECT_EQ(a(m, 2, 2), 1.0);
      EXPECT_EQ(a(m, 3, 2), 0.0);
      EXPECT_EQ(m.rhs[3], 0.0);  // -(-1/6 * 0) - (0 * -2.5) = 0
    } else {
      EXPECT_NEAR(a(m, 2, 2), 1.0 / 6.0, 1e-15);
    }
  }
}

TEST(Dirichlet, SignOfZeroFromLaterNeighbour) {
  // node 1 held at -0.0, its neighbour 2 at -1.0: the pass subtracts
  // -1.0 * 0.0 = -0.0 from rhs(1) after it was set, which gives +0.0
  ModelStore fast = assembled(unit_tetrahedron(), {-0.0f, -1.0f});
  fast.bcp[1] = -1;
  fast.bcp[2] = -2;
  ModelStore slow = fast;
  potsolve::apply_dirichlet(fast, 4);
  literal::apply_dirichlet(slow, 4);
  EXPECT_FALSE(std::signbit(slow.rhs[1]));
  EXPECT_EQ(first_bit_difference(fast.rhs, slow.rhs), -1);
  EXPECT_EQ(first_bit_difference(fast.amat, slow.amat), -1);
}

TEST(Dirichlet, SameBitsAsPassOverAllRows) {
  std::vector<testmesh::Mesh> meshes = {testmesh::brick(5, 4, 3, 0.2f, 3)};
  for (unsigned seed : {11u, 12u, 13u}) meshes.push_back(testmesh::random_mesh(400, 1400, seed, 0.0, 6));
  for (const testmesh::Mesh& mesh : meshes) {
    const ModelStore base = assembled(mesh, {1.0f, -0.0f, 0.0f, -3.25f, 1e-3f, 7.5f, -1e5f});
    std::mt19937 rng(static_cast<unsigned>(mesh.nnode));
    std::uniform_real_distribution<double> u(0.0, 1.0);
    // from no fixed node (positive codes only) to all of them; runs of
    // consecutive nodes put fixed nodes next to each other, isolated nodes included
    for (const double fraction : {0.0, 0.02, 0.3, 0.8, 1.0}) {
      ModelStore fast = base;
      for (std::int32_t i = 1; i <= fast.nnode; ++i) {
        if (u(rng) >= fraction) {
          if (u(rng) < 0.2) fast.bcp[i] = 1 + static_cast<std::int32_t>(rng() % 9);  // free
          continue;
        }
        const std::int32_t run = 1 + static_cast<std::int32_t>(rng() % 4);
        const std::int32_t code = -1 - static_cast<std::int32_t>(rng() % 9);  // -8, -9: entries not read
        for (std::int32_t r = 0; r < run && i <= fast.nnode; ++r, ++i) fast.bcp[i] = code;
      }
      ModelStore slow = fast;
      potsolve::apply_dirichlet(fast, fast.nnode);
      literal::apply_dirichlet(slow, slow.nnode);
      EXPECT_EQ(first_bit_difference(fast.amat, slow.amat), -1) << mesh.nnode << " " << fraction;
      EXPECT_EQ(first_bit_difference(fast.rhs, slow.rhs), -1) << mesh.nnode << " " << fraction;
      if (fraction == 0.0) {
        // without a negative code nothing changes
        EXPECT_EQ(first_bit_difference(fast.amat, base.amat), -1);
        EXPECT_EQ(first_bit_difference(fast.rhs, base.rhs), -1);
      }
    }
  }
}

}  // namespace
