// The split matrix: lower and upper rows, 32-bit diagonal, the map of each upper
// term to its mirror, and the pattern check that guards the split.
#include <gtest/gtest.h>

#include "fixture.h"
#include "potsolve/pattern_cache.h"

namespace {

using potsolve::ModelStore;

// The five-node mesh of the two elements (1,2,3,4) and (2,3,4,5).
testmesh::Mesh five_nodes() {
  testmesh::Mesh mesh;
  mesh.nnode = 5;
  mesh.xyz.assign(18, 0.0f);
  mesh.nelem = 2;
  mesh.ielem = {0, 0, 0, 0, 1, 2, 3, 4, 2, 3, 4, 5};
  mesh.imat = {0, 1, 1};
  return mesh;
}

// Symmetric values that name their term: a(i,j) = -(10 min + max), diagonal i + 0.1.
void naming_values(std::int32_t n, ModelStore& m) {
  for (std::int32_t i = 1; i <= n; ++i)
    for (std::int32_t p = m.irow[i - 1] + 1; p <= m.irow[i]; ++p) {
      const std::int32_t j = m.jcol[p];
      m.amat[p] = i == j ? i + 0.1 : -(10.0 * std::min(i, j) + std::max(i, j));
    }
}

TEST(Split, FiveNodeLayout) {
  ModelStore m;
  const std::int32_t n = fixture::mesh_pattern(five_nodes(), m);
  ASSERT_EQ(m.irow, (std::vector<std::int32_t>{0, 4, 9, 14, 19, 23}));
  naming_values(n, m);
  const ModelStore assembled = m;
  potsolve::SplitMatrix a = potsolve::split_triangles(n, m);

  EXPECT_EQ(a.n, n);
  EXPECT_EQ(a.lowptr, (std::vector<std::int32_t>{0, 0, 1, 3, 6, 9}));
  EXPECT_EQ(a.upptr, (std::vector<std::int32_t>{0, 3, 6, 8, 9, 9}));
  const std::vector<std::int32_t> lower{0, 1, 1, 2, 1, 2, 3, 2, 3, 4};
  const std::vector<std::int32_t> upper{0, 2, 3, 4, 3, 4, 5, 4, 5, 5};
  const std::vector<std::int32_t> lowrow{0, 2, 3, 3, 4, 4, 4, 5, 5, 5};
  const std::vector<std::int32_t> uprow{0, 1, 1, 1, 2, 2, 2, 3, 3, 4};
  EXPECT_EQ(a.lowcol, lower);
  EXPECT_EQ(a.upcol, upper);
  for (int t = 1; t <= 9; ++t) EXPECT_EQ(a.lowval[t], -(10.0 * lower[t] + lowrow[t])) << "lower value " << t;
  // The diagonal is the 32-bit rounding of the assembled value.
  for (std::int32_t k = 1; k <= n; ++k) EXPECT_EQ(a.diag[k], static_cast<float>(k + 0.1));
  // The assembled rows stay as they were.
  EXPECT_EQ(m.irow, assembled.irow);
  EXPECT_EQ(m.jcol, assembled.jcol);
  EXPECT_EQ(m.amat, assembled.amat);

  potsolve::build_transpose_map(a);
  EXPECT_EQ(a.mirror, (std::vector<std::int32_t>{0, 1, 2, 4, 3, 5, 7, 6, 8, 9}));
  // Each upper term carries the value of its mirror, -(10 row + column).
  for (int t = 1; t <= 9; ++t) EXPECT_EQ(a.upval[t], -(10.0 * uprow[t] + upper[t])) << "upper value " << t;
}

TEST(Split, SingleNode) {
  ModelStore m;
  const std::int32_t n = fixture::load_dense(m, {{0.0, 0.0}, {0.0, 2.5}});
  const potsolve::IccgSystem s = potsolve::prepare_iccg(m, n);
  EXPECT_EQ(s.a.nlow(), 0);
  EXPECT_EQ(s.a.upptr[1], 0);
  EXPECT_EQ(s.f.rdiag[1], 1.0 / 2.5);
}

TEST(Split, PatternCheck) {
  ModelStore m;
  const std::int32_t n = fixture::mesh_pattern(five_nodes(), m);
  EXPECT_EQ(potsolve::pattern_fault(n, m.irow, m.jcol), 0);
  // each fault and the row it is reported at (-1: any row)
  const std::pair<int, void (*)(ModelStore&)> faults[] = {
      {-1, [](ModelStore& b) { b.jcol.erase(b.jcol.begin() + 20), b.amat.pop_back(), b.irow[5] = 22; }},  // (5,2) lost
      {3, [](ModelStore& b) { std::swap(b.jcol[11], b.jcol[12]); }},  // row 3 holds 1 3 2 4 5
      {5, [](ModelStore& b) { b.jcol[23] = 6; }},                     // a column beyond n
      {-1, [](ModelStore& b) { b.irow[5] = 30; }},                    // irow(n) beyond the stored terms
  };
  for (const auto& [row, fault] : faults) {
    ModelStore bad = m;
    fault(bad);
    if (row < 0) EXPECT_NE(potsolve::pattern_fault(n, bad.irow, bad.jcol), 0);
    else EXPECT_EQ(potsolve::pattern_fault(n, bad.irow, bad.jcol), row);
  }
  ModelStore nodiag;  // symmetric and sorted, but row 1 lacks its diagonal
  fixture::load_rows(nodiag, {{}, {2}, {1, 2}});
  EXPECT_EQ(potsolve::pattern_fault(2, nodiag.irow, nodiag.jcol), 1);
}

}  // namespace
