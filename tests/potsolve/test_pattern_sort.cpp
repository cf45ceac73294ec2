// The row sort: its pivot generator and the order it leaves, against std::sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <set>

#include "potsolve/sort_row.h"

using Ints = std::vector<std::int32_t>;

namespace {

// Sorts v with sort_row inside sentinels at entry 0 and after the end, and
// checks the result against std::sort and that the sentinels stayed.
void expect_sorted(Ints v) {
  const auto count = static_cast<std::int32_t>(v.size());
  Ints list(count + 2);
  list[0] = -777;
  list[count + 1] = -888;
  std::copy(v.begin(), v.end(), list.begin() + 1);
  potsolve::sort_row(count, list.data());
  std::sort(v.begin(), v.end());
  ASSERT_TRUE(std::equal(v.begin(), v.end(), list.begin() + 1)) << count << " entries";
  ASSERT_EQ(list[0], -777);
  ASSERT_EQ(list[count + 1], -888);
}

}  // namespace

TEST(SortRow, PivotGeneratorRunsItsWholeCycleInsideTheRange) {
  float fx = 0.0f;
  Ints first;
  std::set<float> seen;
  // one full period of the generator from 0
  for (int step = 0; step < 7875; ++step) {
    fx = potsolve::next_fx(fx);
    if (step < 4) first.push_back(static_cast<std::int32_t>(fx));
    seen.insert(fx);
    for (std::int32_t span : {8, 9, 100, 4096, 1 << 20, 1 << 30}) {
      const std::int32_t q = potsolve::pivot_position(3, 3 + span - 1, fx);
      ASSERT_GE(q, 3);
      ASSERT_LE(q, 3 + span - 1);
    }
  }
  EXPECT_EQ(first, (Ints{1663, 6056, 3729, 982}));
  EXPECT_EQ(seen.size(), 7875u);
  EXPECT_EQ(fx, 0.0f);
  // the largest value lands on the last entry of a long range
  EXPECT_EQ(potsolve::pivot_position(1, 7875, 7874.0f), 7875);
  EXPECT_EQ(potsolve::pivot_position(1, 8, 1663.0f), 2);
}

TEST(SortRow, EveryPermutationAroundTheInsertionBound) {
  // 7 entries go to insertion alone, 8 and 9 to a partition first
  for (int count : {1, 2, 7, 8, 9}) {
    Ints v(count);
    std::iota(v.begin(), v.end(), 1);
    do expect_sorted(v);
    while (std::next_permutation(v.begin(), v.end()));
  }
  Ints dup{1, 1, 2, 2, 3, 3, 4, 4, 4};
  do expect_sorted(dup);
  while (std::next_permutation(dup.begin(), dup.end()));
}

TEST(SortRow, LongListsMatchStdSort) {
  std::mt19937 rng(11);
  for (std::int32_t count : {10, 50, 101, 1000, 65536, 200000}) {
    Ints distinct(count);
    std::iota(distinct.begin(), distinct.end(), -count / 3);
    for (auto& x : distinct) x *= 3;
    std::shuffle(distinct.begin(), distinct.end(), rng);
    expect_sorted(distinct);
    Ints dup(count);
    for (auto& x : dup) x = static_cast<std::int32_t>(rng() % 7);
    expect_sorted(dup);
    std::sort(distinct.begin(), distinct.end());
    expect_sorted(distinct);
    expect_sorted(Ints(distinct.rbegin(), distinct.rend()));
    expect_sorted(Ints(count, 42));
  }
}
