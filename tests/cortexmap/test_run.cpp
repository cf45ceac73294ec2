// Whole runs of the built program: console, files, range checks and stops.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>

#include "common/meshgen.h"
#include "common/runner.h"
#include "cortexmap/inputs.h"
#include "cortexmap/run.h"
#include "textio/console.h"

namespace {

const char* const header = "      -> PROCESS : 10  20  30  40  50  60  70  80  90 100 (%)\n";

std::string marks(int n) {
  std::string s;
  for (int k = 0; k < n; ++k) s += "\xA1\xE1";
  return s;
}

// A 2x2x2 brick of 1000 mm cubes (exact after the 0.001 factor) with the
// potential 3x, so every element has the field 3 and the current density 1.5;
// 40 cortical points and 2 triangles; bcp codes 1, -1 on some nodes.
std::string model_dir(const std::string& tag) {
  const std::string dir = testmesh::fresh_dir(tag);
  const auto mesh = testmesh::brick(2, 2, 2, 1000.0f);
  testmesh::Boundary b;
  b.prop = {0.5f};
  b.bval = {0.0f, 1.0f};
  b.bcp = {{1, 1}, {2, -1}, {3, 2}, {27, -2}};
  testmesh::write_model(dir, mesh, b);
  std::ostringstream pot;
  pot << mesh.nnode << "\n";
  for (int i = 1; i <= mesh.nnode; ++i) pot << i << " " << 3.0 * mesh.xyz[3 * i] / 1000.0 << "\n";
  testmesh::write_file(dir + "/potent.out", pot.str());
  testmesh::write_file(dir + "/ele_size.txt", "25.0 -2.0\n");
  std::ostringstream cx;
  cx << "40 2\n";
  for (int p = 0; p < 40; ++p) cx << 50 * p << " " << 1999 - 40 * p << " " << (p * 37) % 2000 << "\n";
  cx << "1 2 3\n40 39 38\n";
  testmesh::write_file(dir + "/cortex.dat", cx.str());
  return dir;
}

const char* const outputs[] = {"/cortexfield.out", "/cortexfield.tec", "/cortexfield.ply"};

void plant_outputs(const std::string& dir) {
  for (const char* f : outputs) testmesh::write_file(dir + f, "earlier\n");
}

void expect_outputs_untouched(const std::string& dir) {
  for (const char* f : outputs) EXPECT_EQ(testmesh::read_file(dir + f), "earlier\n") << f;
}

// Replaces record n (1-based) of a file.
void replace_record(const std::string& path, int n, const std::string& text) {
  std::istringstream in(testmesh::read_file(path));
  std::string line, out;
  for (int k = 1; std::getline(in, line); ++k) out += (k == n ? text : line) + "\n";
  testmesh::write_file(path, out);
}

}  // namespace

TEST(CortexmapRun, ConsoleAndCalibratedFiles) {
  const std::string dir = model_dir("cmrun");
  // the solver's own name (the other tests write potent.out, found without regard to case)
  std::filesystem::rename(dir + "/potent.out", dir + "/POTENT.OUT");
  const auto r = testrun::run("cortexmap", dir);
  ASSERT_EQ(r.status, 0) << r.console;
  EXPECT_EQ(r.console, std::string(" \n      * Converting into a Point-wise Data Format\n") + header +
                           std::string(18, ' ') + marks(20) + " \n" +
                           "      * Interpolating Distributions on Cortical Surface\n" + header +
                           std::string(18, ' ') + marks(20));
  // every point: field 160, current density refcurr / refarea = 80, power 12800
  std::istringstream out(testmesh::read_file(dir + "/cortexfield.out"));
  std::string line;
  int n = 0;
  while (std::getline(out, line) && n < 40) {
    ASSERT_EQ(line.size(), 108u);
    double v[6];
    std::istringstream(line) >> v[0] >> v[1] >> v[2] >> v[3] >> v[4] >> v[5];
    EXPECT_EQ(v[0], 50.0 * n);
    EXPECT_NEAR(v[3], 160.0, 1e-4);
    EXPECT_NEAR(v[4], 80.0, 1e-5);
    EXPECT_NEAR(v[5], 12800.0, 1e-2);
    ++n;
  }
  EXPECT_EQ(n, 40);
  EXPECT_EQ(line, "           1           2           3");
  // constant current density: every vertex grey
  const std::string ply = testmesh::read_file(dir + "/cortexfield.ply");
  EXPECT_EQ(ply.rfind("ply\nformat ascii 1.0\ncomment merged by ovu\nelement vertex 40\n", 0), 0u);
  std::size_t grey = 0;
  for (std::size_t at = 0; (at = ply.find("  192  192  192\n", at)) != std::string::npos; ++at) ++grey;
  EXPECT_EQ(grey, 40u);
  EXPECT_NE(ply.find("\n         3        39        38        37\n"), std::string::npos);
  EXPECT_EQ(testmesh::read_file(dir + "/cortexfield.tec").rfind(" zone n =           40  , e =            2  ,", 0), 0u);
}

// The run called in-process on a directory given by path writes there what the
// program writes in it, and nothing into the working directory.
TEST(CortexmapRun, RunOnADirectoryGivenByPathMatchesTheProgram) {
  const std::string ran = model_dir("cmprogram"), called = model_dir("cmpath");
  ASSERT_EQ(testrun::run("cortexmap", ran).status, 0);
  {
    textio::ConsoleCapture quiet;
    const auto m = std::make_unique<cortexmap::MapStore>();
    cortexmap::run_cortexmap(*m, called);
  }
  for (const char* f : outputs) {
    EXPECT_EQ(testmesh::read_file(called + f), testmesh::read_file(ran + f)) << f;
    EXPECT_FALSE(std::filesystem::exists(std::string(".") + f)) << f;
  }
}

TEST(CortexmapRun, OutOfRangeInputIsRejectedBeforeAnyOutput) {
  struct Case {
    const char* file;
    int record;
    const char* text;
    const char* value;  // expected in the message
  };
  const Case cases[] = {
      {"xyz.dat", 1, "100001", "100001"},
      {"elem.dat", 1, "-5 4", "-5"},
      {"elem.dat", 3, "1 0 1 27 3 1", "27"},       // corners count from 0: 27 nodes are 0..26
      {"elem.dat", 4, "2 0 1 3 4 101", "101"},    // material
      {"potent.out", 1, "100001", "100001"},
      {"bval.dat", 1, "101", "101"},
      {"bcp.dat", 3, "0 1", "0"},
      {"bcp.dat", 2, "28 -1", "28"},
      {"prop.dat", 1, "-1", "-1"},
      {"cortex.dat", 43, "40 41 1", "41"},        // a triangle beyond the 40 points
      {"cortex.dat", 1, "100001 2", "100001"},
  };
  for (const Case& c : cases) {
    const std::string dir = model_dir("cmreject");
    plant_outputs(dir);
    replace_record(dir + "/" + c.file, c.record, c.text);
    const auto r = testrun::run("cortexmap", dir);
    EXPECT_EQ(r.status, 1) << c.file << " " << c.text << "\n" << r.console;
    const std::string want = std::string(c.file) + ", record " + std::to_string(c.record);
    // one line of its own naming file, record and value
    const auto at = r.console.find(want);
    ASSERT_NE(at, std::string::npos) << r.console;
    const auto begin = r.console.rfind('\n', at) + 1;  // npos + 1 = 0 for the first line
    const std::string line = r.console.substr(begin, r.console.find('\n', at) - begin);
    EXPECT_EQ(line.rfind(" Rejected input: ", 0), 0u) << line;
    EXPECT_NE(line.find(c.value), std::string::npos) << line;
    expect_outputs_untouched(dir);
  }
}

TEST(CortexmapRun, ImpossibleScaleAndMissingCortexLeaveOutputsUntouched) {
  std::string dir = model_dir("cmscale");
  plant_outputs(dir);
  testmesh::write_file(dir + "/bcp.dat", "2\n1 2\n2 -2\n");  // no code 1 or -1
  auto r = testrun::run("cortexmap", dir);
  EXPECT_EQ(r.status, 1) << r.console;
  EXPECT_NE(r.console.find(marks(20) + "\n  Cannot scale the fields: no entry of bcp.dat has the code 1 or -1\n"),
            std::string::npos) << r.console;
  expect_outputs_untouched(dir);

  dir = model_dir("cmnocortex");
  plant_outputs(dir);
  std::filesystem::remove(dir + "/cortex.dat");
  r = testrun::run("cortexmap", dir);
  EXPECT_EQ(r.status, 3) << r.console;
  EXPECT_NE(r.console.find(marks(20) + "\n"), std::string::npos) << r.console;
  EXPECT_NE(r.console.find("cortex.dat"), std::string::npos) << r.console;
  expect_outputs_untouched(dir);
}

TEST(CortexmapInputs, RecordsAsTheFilesHoldThem) {
  const std::string dir = testmesh::fresh_dir("cminputs");
  testmesh::write_file(dir + "/xyz.dat", "4\n9 1000 -250 2.5\n9 0 0 0\n9 0 1000 0\n9 0 0 1000\n");
  testmesh::write_file(dir + "/elem.dat", "1 4\n7 0 1 2 3 2\n");
  testmesh::write_file(dir + "/potent.out", "3\n5 1.5\n5 2.5\n5 3.5\n");
  testmesh::write_file(dir + "/ele_size.txt", "25.0 -2.0\n");
  testmesh::write_file(dir + "/cortex.dat", "3 1\n0 0 0\n10 0 0\n0 10 0\n1 2 3\n");
  // read from the directory by its path, whatever the working directory
  cortexmap::MapStore m;
  cortexmap::read_xyz(m, dir);
  cortexmap::scale_coordinates(m);
  cortexmap::read_elem(m, dir);
  cortexmap::read_potent(m, dir);
  cortexmap::read_ele_size(m, dir);
  cortexmap::read_cortex(m, dir);
  EXPECT_EQ(m.xyz[3], 1000.0f * 0.001f);
  EXPECT_EQ(m.xyz[4], -250.0f * 0.001f);
  EXPECT_EQ(m.xyz[5], 2.5f * 0.001f);
  EXPECT_EQ(m.ielem, (std::vector<std::int32_t>{0, 0, 0, 0, 1, 2, 3, 4}));
  EXPECT_EQ(m.imat[1], 2);
  EXPECT_EQ(m.nnode, 3);  // the count of potent.out replaces that of xyz.dat
  EXPECT_EQ(m.pot[3], 3.5f);
  EXPECT_EQ(m.pot[4], 0.0f);
  EXPECT_EQ(m.refarea, 25.0f * 0.000001f);
  EXPECT_EQ(m.refcurr, 2.0f * 0.001f);
  EXPECT_EQ(m.npts, 3);
  EXPECT_EQ(m.cxyz[3 * 2], 10.0f);  // kept as read
  EXPECT_EQ(m.itri, (std::vector<std::int32_t>{0, 0, 0, 1, 2, 3}));
}
