// The console: open lines, the pause, and how run_program ends a run.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tempdir.h"
#include "textio/console.h"
#include "textio/errors.h"
#include "textio/reader.h"

using textio::ConsoleCapture;
using textio::Record;

TEST(Console, RecordsAndOpenLines) {
  ConsoleCapture cap;
  textio::Console& con = textio::console();
  con.record(Record().text(" ICCG Begins ..."));
  const textio::Item prompt = std::string_view(" Press Any To Continue ...");
  con.fixed(textio::Layout("A,$"), {&prompt, 1});
  con.record(Record().text(" next"));  // completes the open line
  con.raw("\xA1\xE1\xA1\xE1");
  con.record(Record());  // an empty record ends the progress line
  EXPECT_EQ(cap.text(), "  ICCG Begins ...\n Press Any To Continue ...  next\n\xA1\xE1\xA1\xE1 \n");
}

TEST(Console, ReadLine) {
  ConsoleCapture cap("first\r\nsecond\nlast");
  textio::Console& con = textio::console();
  EXPECT_EQ(con.read_line(), "first");
  EXPECT_EQ(con.read_line(), "second");
  EXPECT_EQ(con.read_line(), "last");
  EXPECT_EQ(con.read_line(), std::nullopt);
}

TEST(Console, PauseEndsOnAnyLineAndRunsNothing) {
  textio_test::TempDir dir;
  const std::string marker = dir / "marker";
  {
    ConsoleCapture cap("touch " + marker + "\nnext\n");
    textio::pause("nstack must be made larger.");
    EXPECT_EQ(cap.text(), "nstack must be made larger.\n");
    EXPECT_EQ(textio::console().read_line(), "next");  // the pause took one line
  }
  EXPECT_FALSE(std::filesystem::exists(marker));
  {
    ConsoleCapture cap("");  // end of input ends the pause too
    textio::pause();
    EXPECT_EQ(cap.text(), " Press Enter to continue\n");
  }
  {
    ConsoleCapture cap("\n");
    textio::pause();
    EXPECT_EQ(textio::console().read_line(), std::nullopt);
  }
}

TEST(Console, RunProgramStatuses) {
  ConsoleCapture cap;
  EXPECT_EQ(textio::run_program([] {}), textio::exit_ok);
  EXPECT_EQ(textio::run_program([] { throw textio::Stop{textio::exit_noconv}; }), textio::exit_noconv);
  EXPECT_EQ(cap.text(), "");

  EXPECT_EQ(textio::run_program([] {
              std::int32_t v;
              textio::Reader::from_text("1\n2.5\n", "bcp.dat", 1).read(v, v);
            }),
            textio::exit_fatal);
  EXPECT_EQ(cap.text(), " Fatal error: cannot convert '2.5' to integer; unit 1, file bcp.dat, record 2\n");

  EXPECT_EQ(textio::run_program([] {
              textio::console().record(Record().text(" Read from [bcp.dat] "));
              textio::reject("bcp.dat", 7, "node 0 outside 1..5");
            }),
            textio::exit_handled);
  EXPECT_EQ(cap.text(), " Fatal error: cannot convert '2.5' to integer; unit 1, file bcp.dat, record 2\n"
                        "  Read from [bcp.dat] \n"
                        " Rejected input: bcp.dat, record 7: node 0 outside 1..5\n");

  // Anything else is a fault of the program and is not turned into a status.
  EXPECT_THROW(textio::run_program([] { throw std::logic_error("bug"); }), std::logic_error);
}
