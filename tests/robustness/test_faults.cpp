// Faults injected into whole runs: an output that cannot be written (a file
// size limit), a missing cortex.dat, a console that is closed at a pause; and
// the same input giving the same bytes twice.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "common/meshgen.h"
#include "common/runner.h"
#include "robustness/files.h"

namespace {

namespace fs = std::filesystem;
using robust::Files;

// Writes beyond 512 bytes fail with EFBIG: the shell ignores SIGXFSZ, and the
// program inherits that, so the limit shows as a write error instead of a kill.
const char* const size_limit = "trap '' XFSZ; ulimit -f 1;";

// A brick of 4x3x3 cubes, faces x = 0 and x = 4 held at 1 and 0; its
// POTENT.OUT (80 nodes) and pattern cache are well above 512 bytes.
std::string brick_model(const std::string& tag, int nmat = 1, std::vector<float> prop = {6.0f}) {
  const std::string dir = testmesh::fresh_dir(tag);
  const testmesh::Mesh mesh = testmesh::brick(4, 3, 3, 1.0f, nmat);
  testmesh::Boundary b;
  b.prop = std::move(prop);
  b.bval = {1.0f, 0.0f};
  // the two end faces
  for (int i = 1; i <= mesh.nnode; ++i) {
    if (mesh.xyz[3 * i] == 0.0f) b.bcp.push_back({i, -1});
    if (mesh.xyz[3 * i] == 4.0f) b.bcp.push_back({i, -2});
  }
  testmesh::write_model(dir, mesh, b);
  return dir;
}

// The base model with cortexmap's inputs and 40 cortical points (cortexfield.out
// above 512 bytes), and sentinel outputs.
std::string cortex_model(const std::string& tag) {
  const std::string dir = testmesh::fresh_dir(tag);
  Files f = robust::base_model();
  std::ostringstream cx;
  cx << "40 1\n";
  for (int p = 0; p < 40; ++p) cx << 50 * p << " " << 999 - 20 * p << " " << (p * 37) % 1000 << "\n";
  cx << "1 2 3\n";
  f["cortex.dat"] = cx.str();
  for (const char* out : {"cortexfield.out", "cortexfield.tec", "cortexfield.ply"}) f[out] = "sentinel\n";
  robust::put(dir, f);
  return dir;
}

// Runs the program with a file-size limit that its output cannot fit: the run
// fails with one message naming the file, and the directory is as it was.
void expect_failed_write(const std::string& dir, const char* program, const std::string& message) {
  const Files before = robust::snapshot(dir);
  const robust::Run r = robust::run_sh(dir, size_limit, program);
  EXPECT_EQ(r.status, 3) << r.console;
  const auto msg = robust::messages(r.console);
  ASSERT_EQ(msg.size(), 1u) << r.console;
  EXPECT_NE(msg[0].find(message), std::string::npos) << msg[0];
  EXPECT_TRUE(robust::snapshot(dir) == before);
  fs::remove_all(dir);
}

TEST(Faults, FailedWriteOfPotentialsKeepsEarlierFile) {
  const std::string dir = brick_model("fault-pot");
  ASSERT_EQ(testrun::run("potsolve", dir).status, 0);  // builds the cache
  testmesh::write_file(dir + "/POTENT.OUT", "earlier\n");
  expect_failed_write(dir, "potsolve", "write error; unit 22, file POTENT.OUT");
}

TEST(Faults, FailedWriteOfPatternCacheLeavesNoFile) {
  const std::string dir = brick_model("fault-cache");
  testmesh::write_file(dir + "/POTENT.OUT", "earlier\n");
  expect_failed_write(dir, "potsolve", "write error; unit 21, file irowjcol.da0");
}

TEST(Faults, FailedWriteOfCorticalFieldsKeepsEarlierFiles) {
  expect_failed_write(cortex_model("fault-cortex"), "cortexmap",
                      "write error; unit 22, file cortexfield.out");
}

TEST(Faults, MissingCortexSurfaceTouchesNoOutput) {
  const std::string dir = cortex_model("fault-nocortex");
  fs::remove(dir + "/cortex.dat");
  const Files before = robust::snapshot(dir);
  const testrun::Result r = testrun::run("cortexmap", dir);
  EXPECT_EQ(r.status, 3) << r.console;
  const auto msg = robust::messages(r.console);
  ASSERT_EQ(msg.size(), 1u) << r.console;
  EXPECT_NE(msg[0].find("file cortex.dat"), std::string::npos) << msg[0];
  EXPECT_TRUE(robust::snapshot(dir) == before);
  fs::remove_all(dir);
}

TEST(Faults, ConsoleClosedAtPressKeyEndsTheRun) {
  const std::string dir = brick_model("fault-presskey");
  fs::remove(dir + "/bval.dat");
  const Files before = robust::snapshot(dir);
  // console input at its end, then closed altogether
  for (const char* redirect : {"</dev/null", "<&-"}) {
    SCOPED_TRACE(redirect);
    const robust::Run r = robust::run_sh(dir, "", "potsolve", redirect);
    EXPECT_EQ(r.status, 3) << r.console;
    EXPECT_NE(r.console.find(" Press Any To Continue ..."), std::string::npos) << r.console;
    const auto msg = robust::messages(r.console);
    ASSERT_EQ(msg.size(), 2u) << r.console;  // the missing file, then the console's end
    EXPECT_NE(msg[1].find("end of file during read; unit 0, file console"), std::string::npos);
    EXPECT_TRUE(robust::snapshot(dir) == before);
  }
  fs::remove_all(dir);
}

TEST(Faults, ConsoleClosedAtFailedIterationContinues) {
  // Layers of conductivity 1 and -1 make the matrix indefinite: the iteration
  // fails, pauses, and at the console's end goes on to write the last iterate.
  const std::string dir = brick_model("fault-iccg", 2, {1.0f, -1.0f});
  for (const char* redirect : {"</dev/null", "<&-"}) {
    SCOPED_TRACE(redirect);
    fs::remove(dir + "/POTENT.OUT");
    const robust::Run r = robust::run_sh(dir, "", "potsolve", redirect);
    EXPECT_EQ(r.status, 2) << r.console.substr(0, 2000);
    EXPECT_NE(r.console.find(" CONVERGENCE IS FAILED\n"), std::string::npos);
    EXPECT_EQ(robust::lines(testmesh::read_file(dir + "/POTENT.OUT")).size(), 81u);
  }
  fs::remove_all(dir);
}

TEST(Determinism, SameInputSameBytes) {
  // potsolve in two directories, and again with the cache of the first run
  const std::string a = brick_model("same-a"), b = brick_model("same-b");
  ASSERT_EQ(testrun::run("potsolve", a).status, 0);
  ASSERT_EQ(testrun::run("potsolve", b).status, 0);
  const Files first = robust::snapshot(a);
  EXPECT_TRUE(first == robust::snapshot(b));
  ASSERT_EQ(testrun::run("potsolve", a).status, 0);
  EXPECT_TRUE(first == robust::snapshot(a));
  // cortexmap twice on the same inputs
  const std::string c = cortex_model("same-c"), d = cortex_model("same-d");
  ASSERT_EQ(testrun::run("cortexmap", c).status, 0);
  ASSERT_EQ(testrun::run("cortexmap", d).status, 0);
  const Files out = robust::snapshot(c);
  EXPECT_NE(out.at("cortexfield.ply"), "sentinel\n");
  EXPECT_TRUE(out == robust::snapshot(d));
  for (const std::string& dir : {a, b, c, d}) fs::remove_all(dir);
}

}  // namespace
