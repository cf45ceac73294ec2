// The importer's node orders and boundary surfaces on structured bricks.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "common/meshgen.h"
#include "headmesh/node_order.h"
#include "headmesh/outer_surface.h"

namespace {

using headmesh::Tet;

// A brick's tetrahedra (0-based nodes) with its nodes numbered by perm, and
// the coordinates in that numbering; a second brick beside it when twice.
struct Mesh {
  std::vector<Tet> tets;
  std::vector<double> xyz;
};

Mesh brick(int n, const std::vector<std::int32_t>& perm, bool twice = false) {
  const testmesh::Mesh b = testmesh::brick(n, n, n);
  Mesh m;
  const auto nb = static_cast<std::int32_t>(b.nnode);
  m.xyz.resize(3 * perm.size());
  // every node of both copies at its new number
  for (std::int32_t copy = 0; copy <= (twice ? 1 : 0); ++copy)
    for (std::int32_t i = 1; i <= nb; ++i)
      for (int a = 0; a < 3; ++a)
        m.xyz[3 * perm[copy * nb + i - 1] + a] = b.xyz[3 * i + a] + (a == 0 ? 2.0 * n * copy : 0.0);
  // every tetrahedron of both copies on the new numbers
  for (std::int32_t copy = 0; copy <= (twice ? 1 : 0); ++copy)
    for (std::int32_t e = 1; e <= b.nelem; ++e) {
      Tet t;
      for (int c = 0; c < 4; ++c) t[c] = perm[copy * nb + b.ielem[4 * e + c] - 1];
      m.tets.push_back(t);
    }
  return m;
}

// The largest and the mean |i - j| over the node pairs of one tetrahedron, with
// node order[k] renumbered k.
std::pair<std::int32_t, double> spread(const std::vector<Tet>& tets, const std::vector<std::int32_t>& order) {
  std::vector<std::int32_t> new_of(order.size());
  for (std::size_t k = 0; k < order.size(); ++k) new_of[order[k]] = static_cast<std::int32_t>(k);
  std::int32_t widest = 0;
  double sum = 0.0;
  // the six pairs of every tetrahedron
  for (const Tet& t : tets)
    for (int a = 0; a < 4; ++a)
      for (int b = a + 1; b < 4; ++b) {
        const std::int32_t d = std::abs(new_of[t[a]] - new_of[t[b]]);
        widest = std::max(widest, d);
        sum += d;
      }
  return {widest, sum / (6.0 * static_cast<double>(tets.size()))};
}

TEST(HeadmeshNodeOrder, OrdersArePermutationsThatNarrowTheBand) {
  const int n = 8;
  const std::int32_t nodes = 2 * (n + 1) * (n + 1) * (n + 1);
  std::vector<std::int32_t> perm(static_cast<std::size_t>(nodes));
  std::iota(perm.begin(), perm.end(), 0);
  std::shuffle(perm.begin(), perm.end(), std::mt19937(7));
  const Mesh m = brick(n, perm, true);  // two separate bricks, scrambled
  std::vector<std::int32_t> identity(perm.size());
  std::iota(identity.begin(), identity.end(), 0);
  const double scrambled = spread(m.tets, identity).second;

  const auto rcm = headmesh::rcm_order(headmesh::node_graph(nodes, m.tets));
  const auto curve = headmesh::hilbert_order(m.xyz);
  // both orders: every node once, neighbours far closer than in the scrambled order
  for (const auto* order : {&rcm, &curve}) {
    std::vector<std::int32_t> sorted = *order;
    std::sort(sorted.begin(), sorted.end());
    ASSERT_EQ(sorted, identity);
    EXPECT_LT(spread(m.tets, *order).second, scrambled / 5) << (order == &rcm ? "rcm" : "hilbert");
  }
  // RCM's band is no wider than that of the brick's own layered numbering
  EXPECT_LE(spread(m.tets, rcm).first, (n + 1) * (n + 1) + (n + 1) + 1);
}

TEST(HeadmeshNodeOrder, NodeGraphHoldsEachNeighbourOnce) {
  std::vector<std::int32_t> perm((3 * 3 * 3));
  std::iota(perm.begin(), perm.end(), 0);
  const Mesh m = brick(2, perm);
  const auto g = headmesh::node_graph(27, m.tets);
  std::int64_t total = 0;
  // every row: sorted, no repeat, not the node itself
  for (std::int32_t i = 0; i < 27; ++i) {
    std::vector<std::int32_t> row(g.adj.begin() + g.start[i], g.adj.begin() + g.start[i + 1]);
    EXPECT_TRUE(std::is_sorted(row.begin(), row.end()));
    EXPECT_EQ(std::adjacent_find(row.begin(), row.end()), row.end());
    EXPECT_EQ(std::count(row.begin(), row.end(), i), 0);
    total += static_cast<std::int64_t>(row.size());
  }
  // the centre of 2x2x2 cubes cut around their main diagonals: 6 axis edges,
  // 6 face diagonals, 2 cube diagonals
  EXPECT_EQ(g.start[14] - g.start[13], 14);
  // edges of a Kuhn brick: axis edges 3*2*3*3 = 54, face diagonals 3*2*2*3 = 36, cube diagonals 8
  EXPECT_EQ(total, 2 * (54 + 36 + 8));
}

TEST(HeadmeshOuterSurface, BoundaryFacesCoverTheBrickSurface) {
  const int n = 3;
  std::vector<std::int32_t> perm((n + 1) * (n + 1) * (n + 1));
  std::iota(perm.begin(), perm.end(), 0);
  const Mesh m = brick(n, perm);
  const auto outer = headmesh::boundary_faces(m.tets);
  EXPECT_EQ(outer.size(), static_cast<std::size_t>(6 * n * n * 2));
  double area = 0.0;
  for (const auto& t : outer) area += headmesh::triangle_area(m.xyz, t);  // the six faces
  EXPECT_NEAR(area, 6.0 * n * n, 1e-9);
  // the tetrahedra of the first two layers of cubes (centroid x below 2): the
  // boundary of a 2 x 3 x 3 box
  std::vector<bool> keep(m.tets.size());
  for (std::size_t e = 0; e < keep.size(); ++e)  // centroid x = sum of corner x / 4
    keep[e] = m.xyz[3 * m.tets[e][0]] + m.xyz[3 * m.tets[e][1]] + m.xyz[3 * m.tets[e][2]] + m.xyz[3 * m.tets[e][3]] < 8.0;
  double part = 0.0;
  for (const auto& t : headmesh::boundary_faces(m.tets, keep)) part += headmesh::triangle_area(m.xyz, t);
  EXPECT_NEAR(part, 2.0 * (2 * 3 + 3 * 3 + 2 * 3), 1e-9);
}

}  // namespace
