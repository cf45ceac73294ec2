// Output files: whole or not at all, and fatal errors naming unit and file.
#include <gtest/gtest.h>

#include "tempdir.h"
#include "textio/errors.h"
#include "textio/outfile.h"

using textio::OutFile;
using textio::Record;
using testmesh::read_file;
using testmesh::write_file;

TEST(OutFile, CommitReplacesTheFile) {
  textio_test::TempDir dir;
  const std::string path = dir / "POTENT.OUT";
  write_file(path, std::string(5000000, 'x'));  // an earlier, longer file
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
    EXPECT_TRUE(std::filesystem::exists(path + ".tmp"));
    out.commit();
  }
  EXPECT_EQ(read_file(path), expect + "  1  2\n  3\n");
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
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
    EXPECT_EQ(std::string(e.what()), " Fatal error: cannot open (status unknown); unit 22, file " + missing + ", record 0");
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
    EXPECT_EQ(std::string(e.what()), " Fatal error: cannot replace the file; unit 21, file " + target + ", record 2");
  }
  EXPECT_FALSE(std::filesystem::exists(target + ".tmp"));
  EXPECT_TRUE(std::filesystem::is_directory(target));
}
