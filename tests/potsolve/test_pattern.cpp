// The pattern search: the built pattern and its cache file, the stored-term
// limit, the linear-time search against the literal one, and a cache read back
// that fits the model or does not.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "common/files.h"
#include "common/runner.h"
#include "fixture.h"
#include "potsolve/literal_pattern.h"
#include "potsolve/pattern.h"
#include "potsolve/pattern_cache.h"
#include "potsolve/threads.h"
#include "textio/console.h"
#include "textio/errors.h"
#include "textio/outfile.h"
#include "textio/reader.h"

using fixture::Ints;
using fixture::store_of;

namespace {

struct Searched {
  Ints irow, jcol;
  potsolve::CacheRead cache_read;
  std::string console, cache;
};

// Searches the pattern of m with the cache file at path (written first with
// `text` when given). The stored-term limit sets *over when given.
Searched search(potsolve::ModelStore& m, const std::string& path, const std::string* text = nullptr,
                potsolve::TooManyTerms* over = nullptr) {
  if (text) testmesh::write_file(path, *text);
  textio::ConsoleCapture cap;
  potsolve::CacheRead read = potsolve::CacheRead::absent;
  try {
    read = potsolve::search_pattern(m, m.nnode, m.nelem, path);
  } catch (const potsolve::TooManyTerms& e) {
    if (!over) throw;
    *over = e;
  }
  return {m.irow, m.jcol, read, cap.text(), testmesh::read_file(path)};
}

const Ints irow5{0, 4, 9, 14, 19, 23};
const Ints jcol5{0, 1, 2, 3, 4, 1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 2, 3, 4, 5};

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

}  // namespace

TEST(Pattern, FiveNodesGiveTheRowsAndTheCacheText) {
  const std::string dir = testmesh::fresh_dir("pattern5");
  auto m = store_of(5, {{1, 2, 3, 4}, {2, 3, 4, 5}});
  const Searched s = search(m, dir + "/irowjcol.da0");
  EXPECT_EQ(s.cache_read, potsolve::CacheRead::absent);
  EXPECT_EQ(s.console, "");
  EXPECT_EQ(s.irow, irow5);
  EXPECT_EQ(s.jcol, jcol5);
  EXPECT_EQ(m.amat, std::vector<double>(24, 0.0));
  EXPECT_EQ(s.cache,
            "           5\n"
            "       4       9      14      19      23\n"
            "       1       2       3       4       1       2       3       4       5       1       2       3\n"
            "       4       5       1       2       3       4       5       2       3       4       5\n");
  // the only file left in the directory is the cache itself
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST(Pattern, NodeInNoElementHoldsOnlyItsDiagonal) {
  auto m = store_of(7, {{1, 2, 3, 7}, {2, 3, 7, 5}, {4, 1, 2, 3}});
  const Searched s = search(m, testmesh::fresh_dir("pattern-lonely") + "/irowjcol.da0");
  ASSERT_EQ(s.irow.size(), 8u);
  EXPECT_EQ(s.irow[6] - s.irow[5], 1);
  EXPECT_EQ(s.jcol[s.irow[6]], 6);
}

TEST(Pattern, CacheOfTwelveRowsEndsIrowOnFullRecords) {
  auto m = store_of(testmesh::random_mesh(24, 30, 5));
  const Searched s = search(m, testmesh::fresh_dir("pattern24") + "/irowjcol.da0");
  EXPECT_EQ(s.cache, fixture::cache_text(24, s.irow, s.jcol));
  // n, two full irow records with no empty one after them, then jcol
  const std::size_t third = s.cache.find('\n', s.cache.find('\n', 13) + 1) + 1;
  EXPECT_EQ(s.cache.substr(0, 13), "          24\n");
  EXPECT_EQ(third, 13u + 2 * 97);
  EXPECT_EQ(std::stoi(s.cache.substr(third, 8)), s.jcol[1]);
}

TEST(PatternCache, EightDigitValuesReadBackInWiderFields) {
  // a build of raised capacities stores 10,000,000 terms and more: such values
  // must keep a blank before them, or the free-format reading joins them
  const std::string path = testmesh::fresh_dir("wide") + "/table";
  const std::int32_t v[] = {1, 9999999, 10000000, 16000000, 7};
  textio::OutFile out(path, 21);
  potsolve::write_int_table(out, v, 5);
  out.commit();
  textio::Reader rd = textio::Reader::open(path, 1);
  std::int32_t back[5] = {};
  rd.read(back[0], back[1], back[2], back[3], back[4]);
  EXPECT_EQ(std::vector<std::int32_t>(back, back + 5), std::vector<std::int32_t>(v, v + 5));
  // below eight digits the table keeps its 12I8 fields
  const std::int32_t small[] = {1, 9999999};
  textio::OutFile narrow(path, 21);
  potsolve::write_int_table(narrow, small, 2);
  narrow.commit();
  EXPECT_EQ(testmesh::read_file(path), "       1 9999999\n");
}

TEST(Pattern, LinearSearchEqualsLiteralSearch) {
  std::vector<testmesh::Mesh> meshes = {testmesh::brick(1, 1, 1), testmesh::brick(5, 4, 3),
                                        testmesh::brick(9, 2, 1), testmesh::random_mesh(3000, 15000, 99)};
  // repeated corners and isolated nodes
  for (unsigned seed = 1; seed <= 4; ++seed) {
    meshes.push_back(testmesh::random_mesh(60, 150, seed));
    meshes.push_back(testmesh::random_mesh(900, 4000, seed, 0.2, 25));
  }
  // a star: node 1 is a corner of every element, so its row holds every node
  testmesh::Mesh star;
  star.nnode = 400;
  star.nelem = 398;
  star.ielem.assign(4, 0);
  for (int e = 1; e <= 398; ++e) star.ielem.insert(star.ielem.end(), {1 + e, 1, (e * 7) % 400 + 1, 400 - e});
  meshes.push_back(star);
  for (const auto& mesh : meshes) {
    const auto m = store_of(mesh);
    Ints irow, jcol, lit_irow, lit_jcol;
    potsolve::build_pattern(m, m.nnode, m.nelem, irow, jcol);
    literal::search_pattern(m, m.nnode, m.nelem, lit_irow, lit_jcol);
    EXPECT_EQ(irow, lit_irow) << mesh.nnode << " nodes";
    EXPECT_EQ(jcol, lit_jcol) << mesh.nnode << " nodes";
    EXPECT_EQ(potsolve::pattern_fault(m.nnode, irow, jcol), 0);
  }
  // a mesh large enough to be shared among threads: three give what one gives
  const auto m = store_of(testmesh::random_mesh(3 * potsolve::shared_min_rows, 60000, 7, 0.02, 9));
  Ints irow, jcol, irow3, jcol3;
  potsolve::build_pattern(m, m.nnode, m.nelem, irow, jcol);
  potsolve::build_pattern(m, m.nnode, m.nelem, irow3, jcol3, 3);
  EXPECT_EQ(irow3, irow);
  EXPECT_EQ(jcol3, jcol);
}

TEST(Pattern, StoredTermLimitIsInclusive) {
  if (potsolve::maxnz != 2000000) GTEST_SKIP() << "built with another stored-term capacity";
  const std::string cache = testmesh::fresh_dir("pattern-limit") + "/irowjcol.da0";
  auto m = store_of(cliques(1250, 0));
  const Searched s = search(m, cache);
  EXPECT_EQ(s.irow[50000], 2000000);
  EXPECT_EQ(s.console, "");
  EXPECT_EQ(s.cache, fixture::cache_text(50000, s.irow, s.jcol));
  // the cache reads back as it was written
  const Searched again = search(m, cache);
  EXPECT_EQ(again.console, "");
  EXPECT_EQ(again.irow, s.irow);
  EXPECT_EQ(again.jcol, s.jcol);
}

TEST(Pattern, OneTermOverTheLimitStopsWithoutCache) {
  if (potsolve::maxnz != 2000000) GTEST_SKIP() << "built with another stored-term capacity";
  const std::string dir = testmesh::fresh_dir("pattern-over");
  auto m = store_of(cliques(1250, 1));
  potsolve::TooManyTerms over{0, 0};
  const Searched s = search(m, dir + "/irowjcol.da0", nullptr, &over);
  EXPECT_EQ(over.count, 2000001);
  EXPECT_EQ(over.limit, 2000000);
  EXPECT_EQ(s.console, "");
  EXPECT_LE(m.jcol.size(), 2000001u);
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

// The run's records of the two outcomes the search reports: the stored-term
// limit ends the run, an unfit cache is named and searched again.
TEST(Pattern, RunReportsTheLimitAndAnUnfitCache) {
  const std::string dir = testmesh::fresh_dir("pattern-run");
  testmesh::Mesh mesh = cliques(potsolve::maxnz / 1600 + 1, 0);
  mesh.xyz.assign(3 * (static_cast<std::size_t>(mesh.nnode) + 1), 0.0f);
  mesh.imat.assign(static_cast<std::size_t>(mesh.nelem) + 1, 1);
  testmesh::write_model(dir, mesh, {{1.0f}, {}, {}});
  const testrun::Result over = testrun::run("potsolve", dir);
  EXPECT_EQ(over.status, textio::exit_handled);
  char limit[120];
  std::snprintf(limit, sizeof limit, " The number of Non-zero term (%8d) exceeds the limit(%8d).!\n",
                potsolve::maxnz + 1, potsolve::maxnz);
  const std::string tail = "  Searching Non-zero Terms in Stiffness matrix\n  # of nonzero is too big ! \n" +
                           std::string(limit);
  ASSERT_GE(over.console.size(), tail.size()) << over.console;
  EXPECT_EQ(over.console.substr(over.console.size() - tail.size()), tail);
  EXPECT_FALSE(std::filesystem::exists(dir + "/irowjcol.da0"));

  // one cube and a cache of another order
  const testmesh::Mesh five = testmesh::brick(1, 1, 1);
  testmesh::write_model(dir, five, {{1.0f}, {1.0f}, {{1, -1}}});
  testmesh::write_file(dir + "/irowjcol.da0", "4\n 4 8 12 16\n 1 2 3 4 1 2 3 4 1 2 3 4 1 2 3 4\n");
  const testrun::Result unfit = testrun::run("potsolve", dir);
  EXPECT_NE(unfit.console.find("  Searching Non-zero Terms in Stiffness matrix\n"
                               "  Pattern file irowjcol.da0 does not fit the model; searching again\n"
                               "  # of non-zeros : "),
            std::string::npos)
      << unfit.console;
}

TEST(PatternCache, UnfitCacheIsReportedSearchedAndRewritten) {
  // the pattern of (1,2,3,4) and (2,3,4,5) in free format
  const std::string i5 = " 4 9 14 19 23\n", j5 = " 1 2 3 4  1 2 3 4 5  1 2 3 4 5\n 1 2 3 4 5  2 3 4 5\n";
  const std::pair<const char*, std::string> cases[] = {
      {"empty file", ""},
      {"order 0", "0\n"},
      {"negative order", "-5\n" + i5 + j5},
      {"order above capacity", std::to_string(potsolve::maxnode + 1) + "\n"},
      {"other order", "4\n 4 8 12 16\n 1 2 3 4 1 2 3 4 1 2 3 4 1 2 3 4\n"},
      {"irow below 0", "5\n -1 4 9 14 19\n" + j5},
      {"irow falls back", "5\n 4 9 8 19 23\n" + j5},
      {"irow past the capacity", "5\n 4 9 14 19 " + std::to_string(potsolve::maxnz + 1) + "\n"},
      {"column 0", "5\n" + i5 + " 0 2 3 4" + j5.substr(8)},
      {"column past n", "5\n" + i5 + " 1 2 3 4  1 2 3 4 5  1 2 3 4 5 1 2 3 4 5 2 3 4 6\n"},
      {"row without diagonal", "5\n 3 8 13 18 22\n 2 3 4  1 2 3 4 5  1 2 3 4 5 1 2 3 4 5 2 3 4 5\n"},
      {"row out of order", "5\n" + i5 + " 1 2 3 4  1 3 2 4 5  1 2 3 4 5 1 2 3 4 5 2 3 4 5\n"},
      {"repeated column", "5\n" + i5 + " 1 2 3 4  1 2 2 4 5  1 2 3 4 5 1 2 3 4 5 2 3 4 5\n"},
      {"not symmetric", "5\n 4 9 14 19 24\n 1 2 3 4 1 2 3 4 5 1 2 3 4 5 1 2 3 4 5 1 2 3 4 5\n"},
      // 1-3, 2-1 and 3-2 missing: every column still as long as its row
      {"directed cycle", "5\n 3 7 11 16 20\n 1 3 4 1 2 4 5 2 3 4 5 1 2 3 4 5 2 3 4 5\n"},
      {"irow runs out", "5\n 4 9 14\n"},
      {"jcol runs out", "5\n" + i5 + " 1 2 3 4  1 2 3 4 5  1 2 3 4 5\n"},
      {"not an integer", "5\n 4 9 14.5 19 23\n" + j5},
      {"integer too large", "5\n 4 9 99999999999 19 23\n" + j5},
      {"null value", "5\n 4,,14,19,23\n" + j5},
      {"slash", "5\n" + i5 + " 1 2 3 4 /\n 1 2 3 4 5 1 2 3 4 5 1 2 3 4 5 2 3 4 5\n"},
  };
  for (const auto& [name, text] : cases) {
    auto m = store_of(5, {{1, 2, 3, 4}, {2, 3, 4, 5}});
    const Searched o = search(m, testmesh::fresh_dir("pattern-cache") + "/irowjcol.da0", &text);
    EXPECT_EQ(o.cache_read, potsolve::CacheRead::unfit) << name;
    EXPECT_EQ(o.console, "") << name;
    EXPECT_EQ(o.irow, irow5) << name;
    EXPECT_EQ(o.jcol, jcol5) << name;
    EXPECT_EQ(o.cache, fixture::cache_text(5, irow5, jcol5)) << name;
  }
}

TEST(PatternCache, FittingCacheIsUsedAsItStands) {
  // the cache of (1,2,3,4), (2,3,4,5) for a mesh whose second element is
  // (1,3,4,5): the order fits, so the missing coupling 1-5 is left to the assembly
  const std::string texts[] = {
      "5\n 4 9 14 19 23\n 1 2 3 4  1 2 3 4 5  1 2 3 4 5\n 1 2 3 4 5  2 3 4 5\n",
      "5\r\n 4 9\r\n 14 19 23\r\n 1 2 3 4 1 2 3 4 5\r\n 1 2 3 4 5 1 2 3 4 5 2 3 4 5\r\n",
      "    5 trailing words\n 4 9 14 19 23 99\n 1 2 3 4 1 2 3 4 5 1 2 3 4 5\n 1 2 3 4 5 2 3 4 5\n 7 7 7\n",
  };
  for (const std::string& text : texts) {
    auto m = store_of(5, {{1, 2, 3, 4}, {1, 3, 4, 5}});
    const Searched o = search(m, testmesh::fresh_dir("pattern-cache") + "/irowjcol.da0", &text);
    EXPECT_EQ(o.cache_read, potsolve::CacheRead::read);
    EXPECT_EQ(o.console, "");
    EXPECT_EQ(o.irow, irow5);
    EXPECT_EQ(o.jcol, jcol5);
    EXPECT_EQ(m.amat.size(), 24u);
    EXPECT_EQ(o.cache, text);  // not rewritten
  }
}
