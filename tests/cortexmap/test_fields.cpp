// Element fields, node averages and the scale factor.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "cortexmap/averages.h"
#include "cortexmap/fields.h"
#include "cortexmap/scale.h"
#include "cortexmap/literal_averages.h"
#include "store_fixture.h"
#include "textio/console.h"

using cortexmap::MapStore;
using cortexmap::ScaleFailure;

namespace {

// One tetrahedron on nodes 1..4 with the given corners and potentials.
void one_tet(MapStore& m, const float p[4][3], const float u[4], std::int32_t mat = 1) {
  m.nnode = 4;
  for (int k = 0; k < 4; ++k) {
    for (int a = 0; a < 3; ++a) m.xyz[3 * (k + 1) + a] = p[k][a];
    m.pot[k + 1] = u[k];
  }
  m.nelem = 1;
  m.ielem = {0, 0, 0, 0, 1, 2, 3, 4};
  m.imat = {0, mat};
}

const float unit_tet[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

}  // namespace

TEST(ElementFields, UnitTetrahedronGradientAndCentroid) {
  MapStore m;
  const float u[4] = {0, 1, 2, 3};
  one_tet(m, unit_tet, u);
  m.prop[1] = 1.0f;
  const auto f = cortexmap::element_fields(m);
  EXPECT_EQ(f.emag[1], static_cast<float>(std::sqrt(14.0)));
  for (int a = 0; a < 3; ++a) EXPECT_EQ(f.cent[3 + a], 0.25f);
  // Corners in another slot order give the same gradient length.
  m.ielem = {0, 0, 0, 0, 3, 1, 4, 2};
  EXPECT_FLOAT_EQ(cortexmap::element_fields(m).emag[1], static_cast<float>(std::sqrt(14.0)));
}

TEST(ElementFields, MaterialScalesCurrentAndPower) {
  MapStore m;
  const float u[4] = {0, 4, 0, 0};  // gradient (4, 0, 0)
  one_tet(m, unit_tet, u, 2);
  m.prop[1] = 7.0f;
  m.prop[2] = 0.5f;
  const auto f = cortexmap::element_fields(m);
  EXPECT_EQ(f.emag[1], 4.0f);
  EXPECT_EQ(f.jmag[1], 2.0f);
  EXPECT_EQ(f.pden[1], 8.0f);
}

TEST(ElementFields, CoplanarCornersGiveZeroAndHugeValuesStop) {
  MapStore m;
  const float flat[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  const float u[4] = {0, 1, 2, 3};
  one_tet(m, flat, u);
  m.prop[1] = 1.0f;
  const auto f = cortexmap::element_fields(m);
  EXPECT_EQ(f.emag[1], 0.0f);
  EXPECT_EQ(f.jmag[1], 0.0f);
  EXPECT_EQ(f.pden[1], 0.0f);
  EXPECT_EQ(f.cent[1 * 3 + 0], 0.5f);
  double g[3] = {1, 1, 1};
  EXPECT_FALSE(cortexmap::element_gradient(m, 1, g));
  EXPECT_EQ(g[0] * g[0] + g[1] * g[1] + g[2] * g[2], 0.0);

  // A sliver whose gradient does not fit a 32-bit real stops the run by name.
  const float sliver[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1e-30f}};
  const float v[4] = {0, 0, 0, 1e30f};
  one_tet(m, sliver, v);
  try {
    cortexmap::element_fields(m);
    ADD_FAILURE() << "no FieldOverflow";
  } catch (const cortexmap::FieldOverflow& f) {
    EXPECT_EQ(f.element, 1);
  }
}

TEST(NodeAverages, PlainMeansDoubleSlotsAndUnreferencedNodes) {
  MapStore m;
  m.nnode = 6;
  m.nelem = 3;
  // node 1 in all three elements, node 5 only in element 3, node 2 twice in element 2
  m.ielem = {0, 0, 0, 0, 1, 2, 3, 4, 1, 2, 2, 4, 1, 3, 4, 5};
  cortexmap::ElementFields f;
  f.emag = {0, 1.0f, 2.0f, 6.0f};
  f.jmag = {0, 10.0f, 20.0f, 60.0f};
  f.pden = {0, 100.0f, 200.0f, 600.0f};
  cortexmap::ProgressLine progress;
  textio::ConsoleCapture cap;
  progress.start(m.nnode);
  const auto ndavg = cortexmap::node_averages(m, f, progress);
  EXPECT_EQ(ndavg[3 * 1 + 0], 3.0f);
  EXPECT_EQ(ndavg[3 * 1 + 1], 30.0f);
  EXPECT_EQ(ndavg[3 * 1 + 2], 300.0f);
  EXPECT_EQ(ndavg[3 * 5 + 1], 60.0f);
  EXPECT_EQ(ndavg[3 * 2 + 0], (1.0f + 2.0f + 2.0f) / 3.0f);  // counted twice in element 2
  for (int k = 0; k < 3; ++k) EXPECT_EQ(ndavg[3 * 6 + k], 0.0f);  // in no element

  // A smaller node count (potent.out) leaves the nodes above it out.
  m.nnode = 3;
  const auto fewer = cortexmap::node_averages(m, f, progress);
  EXPECT_EQ(fewer.size(), 3u * 4);
  EXPECT_EQ(fewer[3 * 1], 3.0f);
}

TEST(NodeAverages, OnePassEqualsExhaustiveLoopBitForBit) {
  for (unsigned seed : {1u, 2u, 3u}) {
    MapStore m;
    const auto mesh = testmesh::random_mesh(400, 1500, seed, 0.05, 5);
    fixture::load(m, mesh, [](float x, float y, float z) { return x * x - 3.0f * y * z + 0.1f * z; });
    const auto f = cortexmap::element_fields(m);
    cortexmap::ProgressLine progress;
    textio::ConsoleCapture cap;
    progress.start(m.nnode);
    const auto ndavg = cortexmap::node_averages(m, f, progress);
    const auto ref = literal::node_averages(m.nnode, m.nelem, m.ielem, f.emag, f.jmag, f.pden);
    ASSERT_LE(ref.size(), ndavg.size());
    EXPECT_EQ(std::memcmp(ref.data(), ndavg.data(), ref.size() * sizeof(float)), 0) << seed;
  }
}

TEST(FieldScale, MeanOverCodesPlusMinusOneOnly) {
  MapStore m;
  m.nelem = 1;
  m.nnode = 3;
  std::vector<float> ndavg(3 * 4, 0.0f);
  ndavg[3 * 1 + 1] = 2.0f;
  ndavg[3 * 2 + 1] = 4.0f;
  ndavg[3 * 3 + 1] = 1000.0f;
  m.nbcp = 3;
  m.bcplist = {0, 0, 1, 1, 2, -1, 3, 2};
  m.refarea = 0.5f;
  m.refcurr = 6.0f;
  EXPECT_EQ(cortexmap::field_scale(m, ndavg), 4.0f);  // 6 / (3 * 0.5)
}

TEST(FieldScale, ImpossibleCalibrationStopsWithMessage) {
  struct Case {
    MapStore m;
    std::vector<float> ndavg = std::vector<float>(3 * 3, 0.0f);
  };
  auto base = [] {
    Case c;
    MapStore& m = c.m;
    m.nelem = 1;
    m.nnode = 2;
    c.ndavg[3 * 1 + 1] = 2.0f;
    m.nbcp = 1;
    m.bcplist = {0, 0, 1, 1};
    m.refarea = 1.0f;
    m.refcurr = 1.0f;
    return c;
  };
  std::vector<Case> cases(5, base());
  cases[0].m.nelem = 0;
  cases[1].m.bcplist[3] = 2;         // no code 1 or -1
  cases[2].ndavg[3 * 1 + 1] = 0.0f;  // zero mean
  cases[3].m.refarea = 0.0f;
  cases[4].ndavg[3 * 1 + 1] = 1e-38f;  // scale factor beyond 32 bits
  cases[4].m.refarea = 1e-30f;
  const ScaleFailure::Cause causes[] = {ScaleFailure::no_element, ScaleFailure::no_electrode,
                                        ScaleFailure::zero_mean, ScaleFailure::zero_area,
                                        ScaleFailure::out_of_range};
  for (std::size_t k = 0; k < cases.size(); ++k) {
    try {
      cortexmap::field_scale(cases[k].m, cases[k].ndavg);
      ADD_FAILURE() << "case " << k << " formed a scale";
    } catch (const ScaleFailure& f) {
      EXPECT_EQ(f.cause, causes[k]) << "case " << k;
    }
  }
}
