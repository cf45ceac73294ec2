// Runs in a hostile or unlucky setting: links planted where a temporary file
// used to go, two runs in one directory at once, a signal in the middle of a
// write, an input padded with a gigabyte of NUL bytes, and a memory limit.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>
#include <set>

#include "common/meshgen.h"
#include "common/runner.h"
#include "robustness/files.h"

namespace {

namespace fs = std::filesystem;
using robust::Files;

// A brick of 24^3 cubes (15,625 nodes, 82,944 elements), the faces x = 0 and
// x = 24 held at 1 and 0: its pattern cache takes long enough to write that a
// second run or a signal meets the write.
std::string big_brick(const std::string& tag) {
  const std::string dir = testmesh::fresh_dir(tag);
  const testmesh::Mesh mesh = testmesh::brick(24, 24, 24);
  const testmesh::Boundary b = testmesh::end_faces(mesh, 24.0f, {0.33f});
  testmesh::write_model(dir, mesh, b);
  return dir;
}

// The names of the entries of dir (links not followed).
std::set<std::string> names(const std::string& dir) {
  std::set<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.insert(e.path().filename().string());
  return out;
}

// names with the given ones added.
std::set<std::string> plus(std::set<std::string> s, std::initializer_list<const char*> more) {
  for (const char* m : more) s.insert(m);
  return s;
}

TEST(Hostile, PlantedLinksAtTemporaryNamesAreLeftAlone) {
  const std::string dir = testmesh::fresh_dir("planted");
  Files f = robust::base_model();
  f.erase("irowjcol.da0");
  robust::put(dir, f);
  const std::string victim = testmesh::fresh_dir("victim") + "/victim";
  testmesh::write_file(victim, "VICTIM\n");
  testmesh::write_file(dir + "/own.tmp", "the user's own file\n");
  // a symbolic link, a hard link and a user's own file at the names once used
  fs::create_symlink(victim, dir + "/POTENT.OUT.tmp");
  fs::create_hard_link(dir + "/own.tmp", dir + "/irowjcol.da0.tmp");
  fs::create_symlink(victim, dir + "/cortexfield.ply.tmp");
  const std::set<std::string> before = names(dir);
  for (const char* program : {"potsolve", "cortexmap"}) {
    const testrun::Result r = testrun::run(program, dir);
    EXPECT_EQ(r.status, 0) << program << "\n" << r.console;
  }
  EXPECT_EQ(testmesh::read_file(victim), "VICTIM\n");
  EXPECT_EQ(testmesh::read_file(dir + "/irowjcol.da0.tmp"), "the user's own file\n");
  EXPECT_EQ(fs::hard_link_count(dir + "/own.tmp"), 2u);
  // the links as planted, the outputs regular files of their own
  for (const char* link : {"POTENT.OUT.tmp", "cortexfield.ply.tmp"}) EXPECT_TRUE(fs::is_symlink(dir + "/" + link)) << link;
  for (const char* out : {"POTENT.OUT", "irowjcol.da0", "cortexfield.out", "cortexfield.tec", "cortexfield.ply"}) {
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir + "/" + out))) << out;
    EXPECT_EQ(fs::hard_link_count(dir + "/" + out), 1u) << out;
  }
  EXPECT_EQ(testmesh::read_file(dir + "/POTENT.OUT"), robust::base_model().at("potent.out"));
  EXPECT_EQ(names(dir), plus(before, {"POTENT.OUT", "irowjcol.da0", "cortexfield.out", "cortexfield.tec",
                                      "cortexfield.ply"}));
  fs::remove_all(dir);
}

TEST(Hostile, TwoRunsInOneDirectoryBothSucceed) {
  const std::string dir = big_brick("together"), ref = big_brick("alone");
  ASSERT_EQ(testrun::run("potsolve", ref).status, 0);
  const std::set<std::string> before = names(dir);
  auto run = [&] { return robust::run_sh(dir, "", "potsolve"); };
  auto first = std::async(std::launch::async, run), second = std::async(std::launch::async, run);
  const robust::Run a = first.get(), b = second.get();
  EXPECT_EQ(a.status, 0) << a.console;
  EXPECT_EQ(b.status, 0) << b.console;
  // each published file complete: the bytes of a run on its own
  for (const char* out : {"POTENT.OUT", "irowjcol.da0"})
    EXPECT_TRUE(testmesh::read_file(dir + "/" + out) == testmesh::read_file(ref + "/" + out)) << out;
  EXPECT_EQ(names(dir), plus(before, {"POTENT.OUT", "irowjcol.da0"}));
  fs::remove_all(dir);
  fs::remove_all(ref);
}

// The entry of dir whose name is prefix and six more characters (a temporary).
std::string temporary_in(const std::string& dir, const std::string& prefix) {
  // every entry of dir
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.size() == prefix.size() + 6 && name.starts_with(prefix)) return name;
  }
  return "";
}

TEST(Hostile, TerminatedDuringWriteLeavesNoTemporary) {
  const std::string dir = big_brick("sigterm");
  const Files before = robust::snapshot(dir);
  bool caught = false;
  // until the run is caught with its pattern cache half written (a few tries at most)
  for (int attempt = 0; attempt < 10 && !caught; ++attempt) {
    const pid_t pid = robust::start_quiet(dir, {"potsolve"});
    ASSERT_GE(pid, 0);
    std::string temp;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    // watch for the temporary, then hold the program where it is
    while (temp.empty() && std::chrono::steady_clock::now() < until && waitpid(pid, nullptr, WNOHANG) == 0)
      temp = temporary_in(dir, "irowjcol.da0.");
    kill(pid, SIGSTOP);
    caught = !temp.empty() && fs::exists(dir + "/" + temp);
    kill(pid, caught ? SIGTERM : SIGKILL);
    kill(pid, SIGCONT);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!caught) {
      fs::remove(dir + "/irowjcol.da0");
      continue;
    }
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_TRUE(robust::snapshot(dir) == before) << "left behind: " << temporary_in(dir, "irowjcol.da0.");
  }
  EXPECT_TRUE(caught) << "the run was never met during its write";
  fs::remove_all(dir);
}

// The base model whose xyz.dat is followed by a gigabyte of NUL bytes (a sparse
// file), which no read statement reaches.
std::string padded_model(const std::string& tag) {
  const std::string dir = testmesh::fresh_dir(tag);
  Files f = robust::base_model();
  f.erase("irowjcol.da0");
  robust::put(dir, f);
  fs::resize_file(dir + "/xyz.dat", std::uintmax_t{1} << 30);
  return dir;
}

TEST(Hostile, MemoryFollowsTheRecordsReadNotTheFile) {
  const std::string dir = padded_model("padded");
  const testrun::Result r = testrun::run("potsolve", dir);
  EXPECT_EQ(r.status, 0) << r.console;
  EXPECT_EQ(testmesh::read_file(dir + "/POTENT.OUT"), robust::base_model().at("potent.out"));
  // Reading the file whole would take a gigabyte. (A child counts the pages of
  // this test program until it executes the program, hence the wide margin.)
  struct rusage use {};
  getrusage(RUSAGE_CHILDREN, &use);
  EXPECT_LT(use.ru_maxrss, 512 * 1024) << "kB resident at most in a child";
  fs::remove_all(dir);
}

TEST(Hostile, MemoryLimitEndsWithCauseLine) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer reserves terabytes of address space: no run starts under ulimit -v";
#endif
  const std::string dir = padded_model("memlimit");
  const std::set<std::string> before = names(dir);
  // 200 MB of address space: the program starts, the gigabyte file cannot be mapped
  const robust::Run r = robust::run_sh(dir, "ulimit -v 200000;", "potsolve");
  EXPECT_EQ(r.status, 3) << r.console;
  const auto msg = robust::messages(r.console);
  ASSERT_EQ(msg.size(), 1u) << r.console;
  EXPECT_EQ(msg[0], " Fatal error: out of memory; unit 1, file xyz.dat, record 0");
  EXPECT_EQ(names(dir), before);
  fs::remove_all(dir);
}

}  // namespace
