// The pattern cache as read back: a cache that does not fit the model is
// reported once, searched again and rewritten; one that fits is used as it is.
#include <gtest/gtest.h>

#include "pattern_testing.h"
#include "potsolve/pattern.h"
#include "textio/console.h"

using pattern_testing::store_of;
using Ints = std::vector<std::int32_t>;

namespace {

// The pattern of the elements (1,2,3,4) and (2,3,4,5) in free format.
const std::string irow5 = " 4 9 14 19 23\n";
const std::string jcol5 = " 1 2 3 4  1 2 3 4 5  1 2 3 4 5\n 1 2 3 4 5  2 3 4 5\n";
const std::string refused = "  Pattern file irowjcol.da0 does not fit the model; searching again\n";

struct Outcome {
  std::string console, cache;
  Ints irow, jcol;
  std::int32_t n;
};

// Searches the pattern of m with the given cache text in place.
Outcome search_with(potsolve::ModelStore& m, const std::string& text) {
  const std::string path = testmesh::fresh_dir("pattern-cache") + "/irowjcol.da0";
  testmesh::write_file(path, text);
  textio::ConsoleCapture cap;
  std::int32_t n = m.nnode;
  potsolve::search_pattern(m, n, m.nelem, path);
  return {cap.text(), testmesh::read_file(path), m.irow, m.jcol, n};
}

}  // namespace

TEST(PatternCache, UnfitCacheIsReportedSearchedAndRewritten) {
  const std::pair<const char*, std::string> cases[] = {
      {"empty file", ""},
      {"order 0", "0\n"},
      {"negative order", "-5\n" + irow5 + jcol5},
      {"order above capacity", std::to_string(potsolve::maxnode + 1) + "\n"},
      {"other order", "4\n 4 8 12 16\n 1 2 3 4 1 2 3 4 1 2 3 4 1 2 3 4\n"},
      {"irow below 0", "5\n -1 4 9 14 19\n" + jcol5},
      {"irow falls back", "5\n 4 9 8 19 23\n" + jcol5},
      {"irow past the capacity", "5\n 4 9 14 19 " + std::to_string(potsolve::maxnz + 1) + "\n"},
      {"column 0", "5\n" + irow5 + " 0 2 3 4" + jcol5.substr(8)},
      {"column past n", "5\n" + irow5 + " 1 2 3 4  1 2 3 4 5  1 2 3 4 5 1 2 3 4 5 2 3 4 6\n"},
      {"row without diagonal", "5\n 3 8 13 18 22\n 2 3 4  1 2 3 4 5  1 2 3 4 5 1 2 3 4 5 2 3 4 5\n"},
      {"row out of order", "5\n" + irow5 + " 1 2 3 4  1 3 2 4 5  1 2 3 4 5 1 2 3 4 5 2 3 4 5\n"},
      {"repeated column", "5\n" + irow5 + " 1 2 3 4  1 2 2 4 5  1 2 3 4 5 1 2 3 4 5 2 3 4 5\n"},
      {"not symmetric", "5\n 4 9 14 19 24\n 1 2 3 4 1 2 3 4 5 1 2 3 4 5 1 2 3 4 5 1 2 3 4 5\n"},
      // 1-3, 2-1 and 3-2 missing: every column still as long as its row
      {"directed cycle", "5\n 3 7 11 16 20\n 1 3 4 1 2 4 5 2 3 4 5 1 2 3 4 5 2 3 4 5\n"},
      {"irow runs out", "5\n 4 9 14\n"},
      {"jcol runs out", "5\n" + irow5 + " 1 2 3 4  1 2 3 4 5  1 2 3 4 5\n"},
      {"not an integer", "5\n 4 9 14.5 19 23\n" + jcol5},
      {"integer too large", "5\n 4 9 99999999999 19 23\n" + jcol5},
      {"null value", "5\n 4,,14,19,23\n" + jcol5},
      {"slash", "5\n" + irow5 + " 1 2 3 4 /\n 1 2 3 4 5 1 2 3 4 5 1 2 3 4 5 2 3 4 5\n"},
  };
  auto base = store_of(5, {{1, 2, 3, 4}, {2, 3, 4, 5}});
  Ints irow, jcol;
  potsolve::build_pattern(base, 5, 2, irow, jcol);
  const std::string rewritten = pattern_testing::cache_text(5, irow, jcol);
  for (const auto& [name, text] : cases) {
    auto m = base;
    const Outcome o = search_with(m, text);
    EXPECT_EQ(o.console, refused) << name;
    EXPECT_EQ(o.n, 5) << name;
    EXPECT_EQ(o.irow, irow) << name;
    EXPECT_EQ(o.jcol, jcol) << name;
    EXPECT_EQ(o.cache, rewritten) << name;
  }
}

TEST(PatternCache, FittingCacheIsUsedAsItStands) {
  // the cache of (1,2,3,4), (2,3,4,5) for a mesh whose second element is
  // (1,3,4,5): the order fits, so the missing coupling 1-5 is left to the assembly
  const std::string texts[] = {
      "5\n" + irow5 + jcol5,
      "5\r\n 4 9\r\n 14 19 23\r\n" + std::string(" 1 2 3 4 1 2 3 4 5\r\n 1 2 3 4 5 1 2 3 4 5 2 3 4 5\r\n"),
      "    5 trailing words\n 4 9 14 19 23 99\n" + jcol5 + " 7 7 7\n",
  };
  for (const std::string& text : texts) {
    auto m = store_of(5, {{1, 2, 3, 4}, {1, 3, 4, 5}});
    const Outcome o = search_with(m, text);
    EXPECT_EQ(o.console, "");
    EXPECT_EQ(o.irow, (Ints{0, 4, 9, 14, 19, 23}));
    EXPECT_EQ(o.jcol, (Ints{0, 1, 2, 3, 4, 1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 2, 3, 4, 5}));
    EXPECT_EQ(m.amat.size(), 24u);
    EXPECT_EQ(o.cache, text);  // not rewritten
  }
}
