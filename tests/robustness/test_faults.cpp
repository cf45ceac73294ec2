// Faults injected into whole runs: an output that cannot be written (a file
// size limit, a directory in the way), a missing cortex.dat, a console that is
// closed at a pause, inputs that begin with a byte-order mark; and the same
// input giving the same bytes twice.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "common/meshgen.h"
#include "common/runner.h"
#include "robustness/files.h"

namespace {

namespace fs = std::filesystem;
using robust::Files;

// Writes beyond 512 bytes go over the limit: the program ignores SIGXFSZ, so
// the limit shows as a write error (EFBIG) instead of a kill.
const char* const size_limit = "ulimit -f 1;";

// A brick of 4x3x3 cubes, faces x = 0 and x = 4 held at 1 and 0; its
// POTENT.OUT (80 nodes) and pattern cache are well above 512 bytes.
std::string brick_model(const std::string& tag, int nmat = 1, std::vector<float> prop = {6.0f}) {
  const std::string dir = testmesh::fresh_dir(tag);
  const testmesh::Mesh mesh = testmesh::brick(4, 3, 3, 1.0f, nmat);
  const testmesh::Boundary b = testmesh::end_faces(mesh, 4.0f, std::move(prop));
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
  expect_failed_write(dir, "potsolve", "write error (File too large); unit 22, file POTENT.OUT, record ");
}

TEST(Faults, FailedWriteOfPatternCacheLeavesNoFile) {
  const std::string dir = brick_model("fault-cache");
  testmesh::write_file(dir + "/POTENT.OUT", "earlier\n");
  expect_failed_write(dir, "potsolve", "write error (File too large); unit 21, file irowjcol.da0, record ");
}

TEST(Faults, FailedWriteOfCorticalFieldsKeepsEarlierFiles) {
  expect_failed_write(cortex_model("fault-cortex"), "cortexmap",
                      "write error (File too large); unit 22, file cortexfield.out, record ");
}

TEST(Faults, FailureOnTheThirdCorticalFileKeepsAllThree) {
  // The first two files are complete before the third fails: a directory that
  // holds a file stands where cortexfield.ply goes.
  const std::string dir = cortex_model("fault-third");
  fs::remove(dir + "/cortexfield.ply");
  fs::create_directory(dir + "/cortexfield.ply");
  testmesh::write_file(dir + "/cortexfield.ply/keep", "kept\n");
  const Files before = robust::snapshot(dir);
  const testrun::Result r = testrun::run("cortexmap", dir);
  EXPECT_EQ(r.status, 3) << r.console;
  const auto msg = robust::messages(r.console);
  ASSERT_EQ(msg.size(), 1u) << r.console;
  EXPECT_NE(msg[0].find("cannot replace the file (Is a directory); unit 22, file cortexfield.ply"), std::string::npos)
      << msg[0];
  EXPECT_TRUE(robust::snapshot(dir) == before);
  fs::remove_all(dir);
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

TEST(Faults, ConsoleClosedAtPressKeyEndsAsHandledFailure) {
  const std::string dir = brick_model("fault-presskey");
  fs::remove(dir + "/bval.dat");
  const Files before = robust::snapshot(dir);
  // console input at its end, then closed altogether: either ends the wait as Enter does
  for (const char* redirect : {"</dev/null", "<&-"}) {
    SCOPED_TRACE(redirect);
    const robust::Run r = robust::run_sh(dir, "", "potsolve", redirect);
    EXPECT_EQ(r.status, 1) << r.console;
    const std::string prompt = " Please Check it Again!!! \n Press Any To Continue ...";
    ASSERT_GE(r.console.size(), prompt.size());
    EXPECT_EQ(r.console.substr(r.console.size() - prompt.size()), prompt) << r.console;
    const auto msg = robust::messages(r.console);
    ASSERT_EQ(msg.size(), 1u) << r.console;
    EXPECT_NE(msg[0].find("File Not Found - bval.dat"), std::string::npos) << msg[0];
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

TEST(Faults, ByteOrderMarkIsSkipped) {
  // Every input of both programs begins with a UTF-8 byte-order mark, as some
  // editors write it; the outputs are those of the plain files.
  const std::string plain = cortex_model("bom-plain"), marked = cortex_model("bom-marked");
  Files f = robust::snapshot(marked);
  // the mark before every input file
  for (auto& [name, text] : f)
    if (text != "sentinel\n") text = "\xEF\xBB\xBF" + text;
  robust::put(marked, f);
  for (const char* program : {"potsolve", "cortexmap"}) {
    SCOPED_TRACE(program);
    const testrun::Result a = testrun::run(program, plain), b = testrun::run(program, marked);
    ASSERT_EQ(a.status, 0) << a.console;
    EXPECT_EQ(b.status, 0) << b.console;
    EXPECT_EQ(b.console, a.console);
  }
  const Files out = robust::snapshot(marked);
  EXPECT_EQ(out.at("POTENT.OUT"), robust::base_model().at("potent.out"));
  // the three cortical files as from the plain inputs
  for (const char* name : {"cortexfield.out", "cortexfield.tec", "cortexfield.ply"})
    EXPECT_EQ(out.at(name), robust::snapshot(plain).at(name)) << name;
  fs::remove_all(plain);
  fs::remove_all(marked);
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
