// Whole runs of the potsolve program on generated models: the console transcript,
// POTENT.OUT, and what a failed run leaves behind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "common/meshgen.h"
#include "common/runner.h"
#include "textio/errors.h"

namespace {

using testmesh::lines;

// A brick of 4x3x3 cubes of edge 1, the faces x = 0 and x = 4 held at 1 and 0.
// A conductivity of 6 makes every assembled term a whole number, so the 32-bit
// diagonal of the solver is exact and the linear potential is reproduced.
struct BrickRun {
  std::string dir = testmesh::fresh_dir("run");
  testmesh::Mesh mesh = testmesh::brick(4, 3, 3);
  testmesh::Boundary b = testmesh::end_faces(mesh, 4.0f, {6.0f});
  BrickRun() { testmesh::write_model(dir, mesh, b); }
};

TEST(PotsolveRun, ConsoleFollowsTheRunSequence) {
  BrickRun r;
  const testrun::Result res = testrun::run("potsolve", r.dir);
  ASSERT_EQ(res.status, 0) << res.console;
  const std::vector<std::string> got = lines(res.console);
  const std::vector<std::string> head = {
      "  Read from [xyz.dat] ",
      "  Read from [elem.dat] ",
      "  Read from [prop.dat] ",
      "  Read from [bval.dat] ",
      "  Read from [bcp.dat] ",
      "  Searching Non-zero Terms in Stiffness matrix",
      "  # of non-zeros :          802",  // 80 nodes and 361 edges
      "  Assemble the Stiffness matrix ",
      "  apply dirichlet condition ",
      "  ICCG Begins ...",
      " ",
      "  Tolerance of ICCG  :   9.9999998E-15",
      " ",
      "  ICCG iteration begin.",
  };
  ASSERT_GT(got.size(), head.size() + 4);
  for (std::size_t k = 0; k < head.size(); ++k) EXPECT_EQ(got[k], head[k]) << "line " << k;
  // one progress record per ten iterations, the last one below the tolerance
  const std::regex progress(R"(^ {1,4}\d{1,5}  \|Ax-b\|/\|b\| = 0\.\d{7}E[+-]\d\d$)");
  std::size_t k = head.size();
  int iter = 0;
  for (; k < got.size() && std::regex_match(got[k], progress); ++k) {
    iter += 10;
    EXPECT_EQ(std::stoi(got[k].substr(1, 5)), iter);
  }
  ASSERT_GT(iter, 0);
  EXPECT_LT(std::stod(got[k - 1].substr(21)), 1e-14);
  const std::vector<std::string> tail = {"  ICCG iteration terminated.", " ",
                                         "  Saving output file to POTENT.OUT"};
  ASSERT_EQ(got.size(), k + tail.size());
  for (std::size_t t = 0; t < tail.size(); ++t) EXPECT_EQ(got[k + t], tail[t]);
}

TEST(PotsolveRun, PotentialsAreLinearAcrossTheBrick) {
  BrickRun r;
  ASSERT_EQ(testrun::run("potsolve", r.dir).status, 0);
  const std::vector<std::string> file = lines(testmesh::read_file(r.dir + "/POTENT.OUT"));
  ASSERT_EQ(file.size(), static_cast<std::size_t>(r.mesh.nnode) + 1);
  EXPECT_EQ(file[0], "          80");
  for (int i = 1; i <= r.mesh.nnode; ++i) {
    const std::string& rec = file[i];
    ASSERT_EQ(rec.size(), 36u) << rec;
    EXPECT_EQ(std::stoi(rec.substr(0, 12)), i);
    const double exact = 1.0 - r.mesh.xyz[3 * i] / 4.0;
    EXPECT_NEAR(std::stod(rec.substr(12)), exact, 1e-12) << "node " << i;
  }
  // the second run in the same directory reads the cache and writes the same file
  const std::string first = testmesh::read_file(r.dir + "/POTENT.OUT");
  ASSERT_EQ(testrun::run("potsolve", r.dir).status, 0);
  EXPECT_EQ(testmesh::read_file(r.dir + "/POTENT.OUT"), first);
}

TEST(PotsolveRun, FailedRunLeavesTheEarlierFilesUntouched) {
  BrickRun r;
  ASSERT_EQ(testrun::run("potsolve", r.dir).status, 0);
  const std::string potent = testmesh::read_file(r.dir + "/POTENT.OUT");
  const std::string cache = testmesh::read_file(r.dir + "/irowjcol.da0");
  // a flat element: the pattern fits, the assembly stops
  testmesh::Mesh flat = r.mesh;
  flat.ielem[4 * 7 + 3] = flat.ielem[4 * 7 + 2];
  testmesh::write_model(r.dir, flat, r.b);
  // the model writer removes an earlier model's results: the earlier potentials put back as a user might keep them
  testmesh::write_file(r.dir + "/POTENT.OUT", potent);
  const testrun::Result res = testrun::run("potsolve", r.dir);
  EXPECT_EQ(res.status, textio::exit_handled) << res.console;
  EXPECT_NE(res.console.find("has zero volume"), std::string::npos) << res.console;
  EXPECT_EQ(testmesh::read_file(r.dir + "/POTENT.OUT"), potent);
  EXPECT_EQ(testmesh::read_file(r.dir + "/irowjcol.da0"), cache);
}

TEST(PotsolveRun, ThreadCountLeavesTheOutputsUnchanged) {
  // A model large enough for the threaded paths, its nodes numbered as a
  // mesher might (odd nodes first); HEADFIELD_THREADS=1, 2 and 3 and the
  // default give the same bytes in every output and on the console.
  const testmesh::Mesh renumbered = testmesh::odd_nodes_first(testmesh::brick(24, 16, 16));
  const testmesh::Boundary b = testmesh::end_faces(renumbered, 24.0f, {1.0f});
  std::string console, potent, cache;
  for (const char* threads : {"1", "2", "3", ""}) {
    SCOPED_TRACE(threads);
    const std::string dir = testmesh::fresh_dir("threads");
    testmesh::write_model(dir, renumbered, b);
    if (*threads) setenv("HEADFIELD_THREADS", threads, 1);
    const testrun::Result res = testrun::run("potsolve", dir);
    unsetenv("HEADFIELD_THREADS");
    ASSERT_EQ(res.status, 0) << res.console;
    if (console.empty()) {
      console = res.console;
      potent = testmesh::read_file(dir + "/POTENT.OUT");
      cache = testmesh::read_file(dir + "/irowjcol.da0");
      continue;
    }
    EXPECT_EQ(res.console, console);
    EXPECT_TRUE(testmesh::read_file(dir + "/POTENT.OUT") == potent);
    EXPECT_TRUE(testmesh::read_file(dir + "/irowjcol.da0") == cache);
  }
}

}  // namespace
