// The records of cortexfield.out, cortexfield.tec and cortexfield.ply.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/meshgen.h"
#include "cortexmap/colour.h"
#include "cortexmap/outputs.h"
#include "store_fixture.h"
#include "textio/console.h"

using cortexmap::MapStore;

namespace {

// One element sampled by two points, one triangle 1 2 3 over three points.
MapStore sampled() {
  MapStore m;
  m.nelem = 2;
  m.fields.emag = {0, 3.0f, 1.0f};
  m.fields.jmag = {0, 0.5f, 0.0f};
  m.fields.pden = {0, 1.5f, 0.0f};
  m.fscale = 0.5f;
  m.npts = 3;
  m.cxyz = {0, 0, 0, 10, 20, 30, 1.5f, -2, 0, 0, 0, 0};
  m.inear = {0, 1, 1, 2};
  m.ntri = 1;
  m.itri = {0, 0, 0, 1, 2, 3};
  m.icol = {0, 26, 0};
  return m;
}

// The lines of an output file, whose last line also ends with a line end.
std::vector<std::string> terminated_lines(const std::string& text) {
  EXPECT_TRUE(text.empty() || text.back() == '\n') << "unterminated last line";
  return testmesh::lines(text);
}

}  // namespace

TEST(Outputs, PointTriangleAndTecplotRecords) {
  const MapStore m = sampled();
  const std::string dir = testmesh::fresh_dir("cmout");
  cortexmap::write_out(m, dir + "/cortexfield.out");
  cortexmap::write_tec(m, dir + "/cortexfield.tec");
  const auto out = terminated_lines(testmesh::read_file(dir + "/cortexfield.out"));
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0],
            "    0.10000000E+02    0.20000000E+02    0.30000000E+02    0.15000000E+01    "
            "0.25000000E+00    0.37500000E+00");
  EXPECT_EQ(out[3], "           1           2           3");
  const auto tec = terminated_lines(testmesh::read_file(dir + "/cortexfield.tec"));
  ASSERT_EQ(tec.size(), 5u);
  EXPECT_EQ(tec[0], " zone n =            3  , e =            1  , f = fepoint, et = triangle");
  EXPECT_EQ(std::vector<std::string>(tec.begin() + 1, tec.end()), out);

  // the header with wider counts
  MapStore big;
  big.npts = 1234;
  big.ntri = 2000;
  big.cxyz.assign(3 * 1235, 0.0f);
  big.inear.assign(1235, 0);
  big.fields.emag = big.fields.jmag = big.fields.pden = {0};
  big.itri.assign(3 * 2001, 1);
  cortexmap::write_tec(big, dir + "/big.tec");
  EXPECT_EQ(terminated_lines(testmesh::read_file(dir + "/big.tec"))[0],
            " zone n =         1234  , e =         2000  , f = fepoint, et = triangle");
}

TEST(Outputs, PlyHeaderVertexAndFaceRecords) {
  const MapStore m = sampled();
  const std::string dir = testmesh::fresh_dir("cmply");
  cortexmap::write_ply(m, dir + "/cortexfield.ply");
  const std::string text = testmesh::read_file(dir + "/cortexfield.ply");
  EXPECT_EQ(text.substr(0, 4), "ply\n");
  const auto ply = terminated_lines(text);
  ASSERT_EQ(ply.size(), 17u);
  const std::vector<std::string> header = {"ply", "format ascii 1.0", "comment merged by ovu",
                                           "element vertex 3", "property float x",
                                           "property float y", "property float z",
                                           "property uchar red", "property uchar green",
                                           "property uchar blue", "element face 1",
                                           "property list uchar int vertex_indices", "end_header"};
  EXPECT_EQ(std::vector<std::string>(ply.begin(), ply.begin() + 13), header);
  EXPECT_EQ(ply[13], "       10.00000000       20.00000000       30.00000000    0    0  255");
  EXPECT_EQ(ply[14], "        1.50000000       -2.00000000        0.00000000    0    0  255");
  EXPECT_EQ(ply[15], "        0.00000000        0.00000000        0.00000000  192  192  192");
  EXPECT_EQ(ply[16], "         3         0         1         2");
}

TEST(Outputs, NoPointsNoTrianglesGivesHeadersOnly) {
  MapStore m;
  const std::string dir = testmesh::fresh_dir("cmempty");
  cortexmap::write_out(m, dir + "/cortexfield.out");
  cortexmap::write_tec(m, dir + "/cortexfield.tec");
  cortexmap::write_ply(m, dir + "/cortexfield.ply");
  EXPECT_EQ(testmesh::read_file(dir + "/cortexfield.out"), "");
  EXPECT_EQ(testmesh::read_file(dir + "/cortexfield.tec"),
            " zone n =            0  , e =            0  , f = fepoint, et = triangle\n");
  const auto ply = terminated_lines(testmesh::read_file(dir + "/cortexfield.ply"));
  ASSERT_EQ(ply.size(), 13u);
  EXPECT_EQ(ply[3], "element vertex 0");
  EXPECT_EQ(ply[10], "element face 0");
}

TEST(Outputs, SampledValuesBeyond32BitsStopBeforeWriting) {
  MapStore m = sampled();
  EXPECT_NO_THROW(cortexmap::check_samples(m));
  m.fscale = 1e30f;
  m.fields.pden[1] = 1e30f;  // power density 1e90
  try {
    cortexmap::check_samples(m);
    ADD_FAILURE() << "no SampleOverflow";
  } catch (const cortexmap::SampleOverflow& s) {
    EXPECT_EQ(s.point, 1);
  }
}
