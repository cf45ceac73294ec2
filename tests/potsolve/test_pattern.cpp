// The pattern search: the built pattern, its cache file, the stored-term limit,
// and the linear-time search against the literal one.
#include <gtest/gtest.h>

#include <filesystem>

#include "literal_pattern.h"
#include "pattern_testing.h"
#include "potsolve/pattern.h"
#include "potsolve/pattern_cache.h"
#include "textio/console.h"
#include "textio/errors.h"

using pattern_testing::store_of;
using Ints = std::vector<std::int32_t>;

namespace {

struct Searched {
  Ints irow, jcol;
  std::int32_t n;
  std::string console;
};

Searched search(potsolve::ModelStore& m, const std::string& cache) {
  textio::ConsoleCapture cap;
  std::int32_t n = m.nnode;
  potsolve::search_pattern(m, n, m.nelem, cache);
  return {m.irow, m.jcol, n, cap.text()};
}

}  // namespace

TEST(Pattern, FiveNodesGiveTheRowsAndTheCacheText) {
  const std::string dir = testmesh::fresh_dir("pattern5");
  auto m = store_of(5, {{1, 2, 3, 4}, {2, 3, 4, 5}});
  const Searched s = search(m, dir + "/irowjcol.da0");
  EXPECT_EQ(s.n, 5);
  EXPECT_EQ(s.console, "");
  EXPECT_EQ(s.irow, (Ints{0, 4, 9, 14, 19, 23}));
  EXPECT_EQ(s.jcol, (Ints{0, 1, 2, 3, 4, 1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 2, 3, 4, 5}));
  EXPECT_EQ(m.amat, std::vector<double>(24, 0.0));
  EXPECT_EQ(testmesh::read_file(dir + "/irowjcol.da0"),
            "           5\n"
            "       4       9      14      19      23\n"
            "       1       2       3       4       1       2       3       4       5       1       2       3\n"
            "       4       5       1       2       3       4       5       2       3       4       5\n");
  // the only file left in the directory is the cache itself
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST(Pattern, NodeInNoElementHoldsOnlyItsDiagonal) {
  const std::string dir = testmesh::fresh_dir("pattern-lonely");
  auto m = store_of(7, {{1, 2, 3, 7}, {2, 3, 7, 5}, {4, 1, 2, 3}});
  const Searched s = search(m, dir + "/irowjcol.da0");
  ASSERT_EQ(s.irow.size(), 8u);
  EXPECT_EQ(s.irow[6] - s.irow[5], 1);
  EXPECT_EQ(s.jcol[s.irow[6]], 6);
  EXPECT_TRUE(potsolve::check_pattern(7, s.irow, s.jcol));
}

TEST(Pattern, CacheOfTwelveRowsEndsIrowOnFullRecords) {
  const std::string dir = testmesh::fresh_dir("pattern24");
  auto m = store_of(testmesh::random_mesh(24, 30, 5));
  const Searched s = search(m, dir + "/irowjcol.da0");
  const std::string text = testmesh::read_file(dir + "/irowjcol.da0");
  EXPECT_EQ(text, pattern_testing::cache_text(24, s.irow, s.jcol));
  // records: n, two full irow records, then jcol from its first value
  std::vector<std::string> lines;
  for (std::size_t b = 0, e; (e = text.find('\n', b)) != std::string::npos; b = e + 1)
    lines.push_back(text.substr(b, e - b));
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "          24");
  EXPECT_EQ(lines[1].size(), 96u);
  EXPECT_EQ(std::stoi(lines[2].substr(88)), s.irow[24]);
  EXPECT_EQ(std::stoi(lines[3].substr(0, 8)), s.jcol[1]);
  EXPECT_EQ(lines.size(), 3 + (static_cast<std::size_t>(s.irow[24]) + 11) / 12);
}

TEST(Pattern, LinearSearchEqualsLiteralSearch) {
  std::vector<testmesh::Mesh> meshes = {testmesh::brick(1, 1, 1), testmesh::brick(5, 4, 3),
                                        testmesh::brick(9, 2, 1)};
  for (unsigned seed = 1; seed <= 4; ++seed) {
    meshes.push_back(testmesh::random_mesh(60, 150, seed));
    meshes.push_back(testmesh::random_mesh(900, 4000, seed, 0.2, 25));
  }
  meshes.push_back(testmesh::random_mesh(3000, 15000, 99));
  // a star: node 1 is a corner of every element, so its row holds every node
  testmesh::Mesh star;
  star.nnode = 400;
  star.nelem = 398;
  star.ielem.assign(4 * 399, 0);
  for (int e = 1; e <= 398; ++e) {
    const int c[4] = {1 + e, 1, (e * 7) % 400 + 1, 400 - e};
    for (int k = 0; k < 4; ++k) star.ielem[4 * e + k] = c[k];
  }
  meshes.push_back(star);
  for (const auto& mesh : meshes) {
    const auto m = store_of(mesh);
    Ints irow, jcol, lit_irow, lit_jcol;
    potsolve::build_pattern(m, m.nnode, m.nelem, irow, jcol);
    literal::search_pattern(m, m.nnode, m.nelem, lit_irow, lit_jcol);
    EXPECT_EQ(irow, lit_irow) << mesh.nnode << " nodes";
    EXPECT_EQ(jcol, lit_jcol) << mesh.nnode << " nodes";
    EXPECT_TRUE(potsolve::check_pattern(m.nnode, irow, jcol));
  }
}

// Cliques of 40 nodes: 20 pairs of nodes, one element per two pairs. Each clique
// stores 1600 terms, so 1250 of them store 2,000,000; extra isolated nodes add one each.
testmesh::Mesh cliques(int count, int isolated) {
  testmesh::Mesh mesh;
  mesh.nnode = 40 * count + isolated;
  mesh.ielem.assign(4, 0);
  for (int c = 0; c < count; ++c)
    for (int p = 0; p < 20; ++p)
      for (int q = p + 1; q < 20; ++q)
        for (int v : {2 * p, 2 * p + 1, 2 * q, 2 * q + 1}) mesh.ielem.push_back(40 * c + v + 1);
  mesh.nelem = static_cast<std::int32_t>(mesh.ielem.size() / 4) - 1;
  return mesh;
}

TEST(Pattern, StoredTermLimitIsInclusive) {
  if (potsolve::maxnz != 2000000) GTEST_SKIP() << "built with another stored-term capacity";
  const std::string dir = testmesh::fresh_dir("pattern-limit");
  const std::string cache = dir + "/irowjcol.da0";
  auto m = store_of(cliques(1250, 0));
  const Searched s = search(m, cache);
  EXPECT_EQ(s.irow[50000], 2000000);
  EXPECT_EQ(s.console, "");
  // the cache holds the pattern and reads back as it was written
  const Searched again = search(m, cache);
  EXPECT_EQ(again.console, "");
  EXPECT_EQ(again.irow, s.irow);
  EXPECT_EQ(again.jcol, s.jcol);
  EXPECT_EQ(testmesh::read_file(cache), pattern_testing::cache_text(50000, s.irow, s.jcol));
}

TEST(Pattern, OneTermOverTheLimitStopsWithoutCache) {
  if (potsolve::maxnz != 2000000) GTEST_SKIP() << "built with another stored-term capacity";
  const std::string dir = testmesh::fresh_dir("pattern-over");
  auto m = store_of(cliques(1250, 1));
  textio::ConsoleCapture cap;
  std::int32_t n = m.nnode;
  try {
    potsolve::search_pattern(m, n, m.nelem, dir + "/irowjcol.da0");
    ADD_FAILURE() << "the search went past the limit";
  } catch (const textio::Stop& stop) {
    EXPECT_EQ(stop.status, 1);
  }
  EXPECT_EQ(cap.text(),
            "  # of nonzero is too big ! \n"
            " The number of Non-zero term ( 2000001) exceeds the limit( 2000000).!\n");
  EXPECT_LE(m.jcol.size(), 2000001u);
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}
