// The grid search against the exhaustive scan, including its ties and the
// 32-bit running minimum.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

#include "cortexmap/fields.h"
#include "cortexmap/nearest.h"
#include "cortexmap/literal_nearest.h"
#include "store_fixture.h"
#include "textio/console.h"

using cortexmap::CentroidIndex;

namespace {

// Centroid table (1-based) from a list of points.
std::vector<float> table(const std::vector<std::array<float, 3>>& pts) {
  std::vector<float> cent(3 * (pts.size() + 1), 0.0f);
  for (std::size_t e = 0; e < pts.size(); ++e)
    for (int a = 0; a < 3; ++a) cent[3 * (e + 1) + a] = pts[e][a];
  return cent;
}

// Compares the index with the scan on every query; returns how many queries the
// scan did not answer with a strictly nearest element (ties and rounding quirks).
int compare(const std::vector<float>& cent, std::int32_t nelem,
            const std::vector<std::array<float, 3>>& queries) {
  const CentroidIndex index(cent, nelem);
  int quirks = 0;
  for (const auto& q : queries) {
    const std::int32_t want = literal::nearest(cent, nelem, q.data());
    EXPECT_EQ(index.nearest(q.data()), want) << q[0] << " " << q[1] << " " << q[2];
    // the first element at the smallest distance, for counting quirks
    std::int32_t first = 1;
    double dbest = INFINITY;
    for (std::int32_t e = 1; e <= nelem; ++e) {
      double s = 0;
      for (int a = 0; a < 3; ++a) s += (double(cent[3 * e + a]) - q[a]) * (double(cent[3 * e + a]) - q[a]);
      if (std::sqrt(s) < dbest) dbest = std::sqrt(s), first = e;
    }
    if (first != want) ++quirks;
  }
  return quirks;
}

std::vector<std::array<float, 3>> random_points(int n, float lo, float hi, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> d(lo, hi);
  std::vector<std::array<float, 3>> v(n);
  for (auto& p : v) p = {d(rng), d(rng), d(rng)};
  return v;
}

}  // namespace

TEST(FindNearest, RandomFlatAndDegenerateCentroidSets) {
  // queries around the unit cube and far outside it, in every direction, up to
  // 10^6 mesh sizes away
  auto queries = random_points(2000, -0.2f, 1.2f, 8);
  for (const auto& q : random_points(200, -1.0f, 1.0f, 9))
    for (float f : {3.0f, 1e3f, 1e6f}) queries.push_back({q[0] * f, q[1] * f, q[2] * f});
  // centroids scattered in the cube, all in a plane, all on a line, all in one point
  std::vector<std::array<float, 3>> plane, line, point(50, {1.0f, 2.0f, 3.0f});
  for (const auto& p : random_points(500, 0.0f, 1.0f, 21)) plane.push_back({p[0], p[1], 0.25f});
  for (const auto& p : random_points(500, 0.0f, 1.0f, 22)) line.push_back({p[0], 0.5f, 0.5f});
  for (const auto& pts : {random_points(3000, 0.0f, 1.0f, 7), plane, line, point})
    compare(table(pts), static_cast<std::int32_t>(pts.size()), queries);
}

TEST(FindNearest, TiesGoToTheHigherElement) {
  // two centroids equally far from the origin, in both orders
  const auto cent = table({{1, 0, 0}, {-1, 0, 0}, {0, 5, 0}});
  const CentroidIndex index(cent, 3);
  const float origin[3] = {0, 0, 0};
  EXPECT_EQ(index.nearest(origin), 2);
  // duplicated centroids: the last copy wins wherever the point is
  const auto dup = table({{0.5f, 0.5f, 0.5f}, {0.2f, 0.1f, 0.0f}, {0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}});
  const float near[3] = {0.5f, 0.5f, 1.0f}, far[3] = {0.5f, 0.5f, 64.5f};  // distances 0.5, 64
  EXPECT_EQ(CentroidIndex(dup, 4).nearest(near), 4);
  EXPECT_EQ(CentroidIndex(dup, 4).nearest(far), 4);
  // ... but only while the distance is a 32-bit value or rounds up to one: when
  // it rounds down, the running minimum lies below every copy's distance and the
  // first copy keeps its place. The grid search reproduces that too.
  const float below[3] = {0.6f, 0.5f, 0.4f};
  EXPECT_EQ(literal::nearest(dup, 4, below), 1);
  EXPECT_EQ(CentroidIndex(dup, 4).nearest(below), 1);
  // a single element serves every point
  const auto one = table({{3, 3, 3}});
  EXPECT_EQ(CentroidIndex(one, 1).nearest(far), 1);
  EXPECT_EQ(CentroidIndex(one, 1).nearest(origin), 1);
}

TEST(FindNearest, PointsOnAGridOfCentroidsAndDuplicates) {
  // a 10^3 grid of centroids, shuffled, with every tenth one repeated
  std::vector<std::array<float, 3>> pts;
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 10; ++j)
      for (int k = 0; k < 10; ++k) pts.push_back({0.1f * i, 0.1f * j, 0.1f * k});
  std::mt19937 rng(3);
  std::shuffle(pts.begin(), pts.end(), rng);
  for (int i = 0; i < 100; ++i) pts.push_back(pts[static_cast<std::size_t>(i) * 10]);
  const auto cent = table(pts);
  // queries on the centroids, on cell centres, face and edge midpoints (many-way ties)
  std::vector<std::array<float, 3>> queries;
  for (int i = -1; i <= 19; ++i)
    for (int j = 0; j <= 18; j += 3)
      for (int k = 0; k <= 18; k += 2) queries.push_back({0.05f * i, 0.05f * j, 0.05f * k});
  const int quirks = compare(cent, static_cast<std::int32_t>(pts.size()), queries);
  EXPECT_GT(quirks, 0);  // ties really occurred
}

TEST(FindNearest, DistancesWithinOneFloatStepReplayTheScan) {
  // Centroids on shells around a query point whose radii differ by a few
  // double steps: several round to the same 32-bit minimum, so the scan may end
  // on an element that is not the strictly nearest one.
  std::mt19937 rng(11);
  std::normal_distribution<double> g(0.0, 1.0);
  std::uniform_int_distribution<int> steps(-40, 40);
  int quirks = 0;
  for (int round = 0; round < 40; ++round) {
    const float q[3] = {0.3f, 0.7f, 0.1f};
    const double r0 = 0.01 * (1 + round);
    std::vector<std::array<float, 3>> pts = random_points(300, -1.0f, 2.0f, 100 + round);
    for (int n = 0; n < 40; ++n) {
      const double x = g(rng), y = g(rng), z = g(rng), len = std::sqrt(x * x + y * y + z * z);
      const double r = r0 * (1.0 + steps(rng) * 1e-8);
      pts.push_back({static_cast<float>(q[0] + r * x / len), static_cast<float>(q[1] + r * y / len),
                     static_cast<float>(q[2] + r * z / len)});
    }
    std::shuffle(pts.begin(), pts.end(), rng);
    quirks += compare(table(pts), static_cast<std::int32_t>(pts.size()), {{q[0], q[1], q[2]}});
  }
  EXPECT_GT(quirks, 0);
}

TEST(FindNearest, MeshCentroidsAndTheProgressLine) {
  cortexmap::MapStore m;
  const auto mesh = testmesh::brick(6, 5, 4, 0.01f);
  fixture::load(m, mesh, [](float x, float, float) { return x; });
  m.fields = cortexmap::element_fields(m);
  // cortical points in the file's unit (1000 times the solver's)
  const auto pts = random_points(400, -5.0f, 70.0f, 31);
  m.npts = 400;
  m.cxyz.assign(3 * 401, 0.0f);
  for (int p = 1; p <= 400; ++p)
    for (int a = 0; a < 3; ++a) m.cxyz[3 * p + a] = pts[p - 1][a];
  textio::ConsoleCapture cap;
  cortexmap::ProgressLine progress;
  progress.start(m.npts);
  m.inear = cortexmap::find_nearest(m, m.fields.cent, progress);
  for (int p = 1; p <= 400; ++p) {
    const float c[3] = {pts[p - 1][0] * 0.001f, pts[p - 1][1] * 0.001f, pts[p - 1][2] * 0.001f};
    ASSERT_EQ(m.inear[p], literal::nearest(m.fields.cent, m.nelem, c)) << p;
  }
  EXPECT_EQ(cap.text(), std::string(18, ' ') + [] {
    std::string s;
    for (int k = 0; k < 20; ++k) s += "\xA1\xE1";
    return s;
  }());
}
