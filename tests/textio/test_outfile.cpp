// Output files: whole or not at all, alone or as a group, through a temporary
// of a fresh name; fatal errors naming the reason, unit and file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "tempdir.h"
#include "textio/errors.h"
#include "textio/outfile.h"
#include "textio/temporaries.h"

using textio::OutFile;
using textio::Record;
using testmesh::read_file;
using testmesh::write_file;

namespace {

// The names in a directory.
std::vector<std::string> names(const textio_test::TempDir& dir) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

TEST(OutFile, CommitReplacesTheFile) {
  textio_test::TempDir dir;
  const std::string path = dir / "POTENT.OUT";
  write_file(path, std::string(5000000, 'x'));  // an earlier, longer file
  write_file(path + ".tmp", "the user's own\n");
  std::string expect;
  {
    OutFile out(path, 22);
    // enough records to pass the write buffer several times
    for (int i = 1; i <= 120000; ++i) {
      const Record r = Record().i32(i).r64(i * 0.25);
      out.record(r);
      expect += r.str() + '\n';
    }
    const textio::Item ints[] = {std::int32_t{1}, std::int32_t{2}, std::int32_t{3}};
    out.fixed(textio::Layout("2I3"), ints);
    // the temporary beside the target: its name and six fresh characters
    std::vector<std::string> now = names(dir);
    std::erase(now, "POTENT.OUT");
    std::erase(now, "POTENT.OUT.tmp");
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(now[0].size(), std::string("POTENT.OUT.").size() + 6);
    EXPECT_EQ(now[0].substr(0, 11), "POTENT.OUT.");
    out.commit();
  }
  EXPECT_EQ(read_file(path), expect + "  1  2\n  3\n");
  EXPECT_EQ(names(dir), (std::vector<std::string>{"POTENT.OUT", "POTENT.OUT.tmp"}));
  EXPECT_EQ(read_file(path + ".tmp"), "the user's own\n");
  // the mode of a file the user creates: 0666 less the umask
  const mode_t mask = umask(0);
  umask(mask);
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST(OutFile, UncommittedFileLeavesTheEarlierOne) {
  textio_test::TempDir dir;
  const std::string path = dir / "cortexfield.out";
  write_file(path, "earlier\n");
  const int status = textio::run_program([&] {
    OutFile out(path, 1);
    out.record(Record().text("partial"));
    throw textio::Stop{textio::exit_handled};
  });
  EXPECT_EQ(status, textio::exit_handled);
  EXPECT_EQ(read_file(path), "earlier\n");
  { OutFile never(dir / "new.out", 1); }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(OutFile, FailuresAreFatal) {
  textio_test::TempDir dir;
  const std::string missing = dir / "no/such/dir/POTENT.OUT";
  try {
    OutFile out(missing, 22);
    FAIL() << "opened " << missing;
  } catch (const textio::FatalError& e) {
    EXPECT_EQ(std::string(e.what()), " Fatal error: cannot open (status unknown) (No such file or directory); unit 22, file " +
                                         missing + ", record 0");
  }

  // The target is a directory: the rename fails after the records were written.
  const std::string target = dir / "irowjcol.da0";
  std::filesystem::create_directories(target + "/x");
  try {
    OutFile out(target, 21);
    out.record(Record().i32(5));
    out.record(Record().i32(6));
    out.commit();
    FAIL() << "committed over a directory";
  } catch (const textio::FatalError& e) {
    EXPECT_EQ(std::string(e.what()),
              " Fatal error: cannot replace the file (Is a directory); unit 21, file " + target + ", record 2");
  }
  EXPECT_EQ(names(dir), std::vector<std::string>{"irowjcol.da0"});
  EXPECT_TRUE(std::filesystem::is_directory(target));
}

TEST(OutFile, GroupIsReplacedWholeOrNotAtAll) {
  textio_test::TempDir dir;
  const std::string a = dir / "cortexfield.out", b = dir / "cortexfield.tec", c = dir / "cortexfield.ply";
  for (const std::string& p : {a, b, c}) write_file(p, "earlier\n");
  // Writes the group; the third file gets 100 records of 81 bytes.
  auto write_group = [&] {
    OutFile fa(a, 22), fb(b, 22), fc(c, 22);
    fa.record(Record().text("a"));
    fa.complete();  // closed early, renamed with the others
    fb.record(Record().text("b"));
    for (int i = 0; i < 100; ++i) fc.record(Record().text(std::string(79, 'c')));
    textio::commit_together({&fa, &fb, &fc});
  };
  // A file-size limit of 4 kB stops the third file when all three are written.
  textio::handle_signals();  // a write over the limit fails instead of ending the process
  struct rlimit saved {};
  getrlimit(RLIMIT_FSIZE, &saved);
  struct rlimit limit = saved;
  limit.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  try {
    write_group();
    ADD_FAILURE() << "committed beyond the file-size limit";
  } catch (const textio::FatalError& e) {
    EXPECT_EQ(std::string(e.what()), " Fatal error: write error (File too large); unit 22, file " + c + ", record 100");
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(names(dir), (std::vector<std::string>{"cortexfield.out", "cortexfield.ply", "cortexfield.tec"}));
  for (const std::string& p : {a, b, c}) EXPECT_EQ(read_file(p), "earlier\n") << p;
  write_group();
  EXPECT_EQ(read_file(a), " a\n");
  EXPECT_EQ(read_file(b), " b\n");
  EXPECT_EQ(read_file(c).size(), 8100u);
}

TEST(OutFile, SignalHeldUntilTheHoldEnds) {
  // A child with the run's signal handling: a SIGTERM that comes while a hold
  // lives is acted on when the hold ends (its temporaries removed, the child
  // ended by the signal), not before.
  textio_test::TempDir dir;
  const std::string temp = (dir.path() / "held.XXXXXX").string();
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    textio::handle_signals();
    std::string name = temp;
    int slot = -1;
    const int fd = textio::create_temporary(name, slot);
    {
      const textio::HoldSignals hold;
      raise(SIGTERM);
      (void)!write(out[1], "held ", 5);  // the signal has waited
    }
    (void)!write(out[1], "after", 5);  // never reached
    close(fd);
    _exit(0);
  }
  close(out[1]);
  char said[16] = {};
  (void)!read(out[0], said, sizeof said - 1);
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_STREQ(said, "held ");
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  EXPECT_TRUE(names(dir).empty()) << "the temporary was left behind";
}
