// The anatomical-like test head through import, potsolve and cortexmap: the
// cortex points sample grey matter, and the mesh's length unit does not change
// cortexmap's results.
#include <gmsh.h>
#include <gtest/gtest.h>

#include <cmath>

#include "common/files.h"
#include "headmesh/gmsh_session.h"
#include "headmesh/pipeline.h"

namespace {

using hmtest::numbers;
using hmtest::program;
using hmtest::run;

// Two 15 mm patches over the left and right central regions, 2 mA.
const std::string electrodes = " --patch 55,2,58,15=1 --patch -55,2,58,15=0 --current 2";

const std::string& scratch() {
  static const std::string dir = testmesh::fresh_dir("head");
  return dir;
}

// The mesh imported with the options into scratch()/name, solved and mapped.
std::string solved(const std::string& name, const std::string& mesh, const std::string& options) {
  const std::string model = scratch() + "/" + name;
  EXPECT_EQ(run(scratch(), program("headmesh", "import '" + mesh + "' --out '" + model + "'" + options)), 0)
      << testmesh::read_file(scratch() + "/.console");
  EXPECT_EQ(run(model, program("potsolve")), 0);
  EXPECT_EQ(run(model, program("cortexmap")), 0);
  return model;
}

// The share of cortexfield.out's points that sample grey matter: the ratio of
// the sampled |J| to |E| is the sampled element's conductivity, and grey
// matter's 0.275 S/m is no other tissue's.
double grey_share(const std::string& model) {
  const std::vector<double> v = numbers(model + "/cortexfield.out");
  const auto npts = static_cast<std::size_t>(numbers(model + "/cortex.dat").at(0));
  EXPECT_GE(v.size(), 6 * npts);
  std::size_t grey = 0;
  for (std::size_t p = 0; p < npts && 6 * p + 4 < v.size(); ++p)  // every point's |E| and |J|
    if (v[6 * p + 3] > 0 && std::fabs(v[6 * p + 4] / v[6 * p + 3] - 0.275) < 1e-4) ++grey;
  return npts ? static_cast<double>(grey) / static_cast<double>(npts) : 0.0;
}

TEST(AnatomicalHead, CortexPointsSampleGreyMatter) {
  struct Case {
    const char* name;
    const char* cortex;
    double least, most;
  };
  const Case cases[] = {
      {"pial", " --cortex-of 2", 0.99, 1.0},
      {"facing", " --cortex-of 2:3", 0.99, 1.0},
      {"plain", " --cortex-of 2 --surface", 0.0, 0.6},  // the boundary where it lies samples its neighbours
  };
  for (const Case& c : cases) {
    const double share = grey_share(solved(c.name, hmtest::test_head(), c.cortex + electrodes));
    EXPECT_GE(share, c.least) << c.cortex;
    EXPECT_LE(share, c.most) << c.cortex;
  }
}

// The head in metres, imported with --units m, gives cortexmap's results of
// the head in millimetres (to the last digits the unit's rounding moves).
TEST(AnatomicalHead, MetresAndMillimetresGiveTheSameCortexmapResults) {
  const std::string metres = scratch() + "/head-m.msh";
  {
    const headmesh::GmshSession session;
    gmsh::open(hmtest::test_head());
    std::vector<std::size_t> tags;
    std::vector<double> xyz, param;
    gmsh::model::mesh::getNodes(tags, xyz, param);
    for (std::size_t i = 0; i < tags.size(); ++i)  // every node in metres
      gmsh::model::mesh::setNode(tags[i], {xyz[3 * i] / 1000, xyz[3 * i + 1] / 1000, xyz[3 * i + 2] / 1000}, {});
    gmsh::write(metres);
  }
  const std::string mm = solved("mm", hmtest::test_head(), " --cortex-of 2" + electrodes);
  const std::string m = solved("m", metres, " --units m --cortex-of 2" + electrodes);
  EXPECT_EQ(testmesh::read_file(m + "/setting.dta"), testmesh::read_file(mm + "/setting.dta"));
  EXPECT_EQ(numbers(m + "/bcp.dat"), numbers(mm + "/bcp.dat"));
  const std::vector<double> a = numbers(mm + "/cortexfield.out"), b = numbers(m + "/cortexfield.out");
  ASSERT_EQ(a.size(), b.size());
  ASSERT_GT(a.size(), 6000u);
  for (std::size_t k = 0; k < a.size(); ++k)  // every coordinate, value and corner
    ASSERT_NEAR(b[k], a[k], 1e-5 * std::fabs(a[k]) + 1e-6) << "number " << k;
}

}  // namespace
