// The progress line's marks.
#include <gtest/gtest.h>

#include <vector>

#include "cortexmap/progress.h"
#include "textio/console.h"
#include "textio/record.h"

namespace {

// The items at which a line over n items writes a mark.
std::vector<int> marks(int n) {
  textio::ConsoleCapture cap;
  cortexmap::ProgressLine line;
  line.start(n);
  EXPECT_EQ(cap.text(), std::string(18, ' '));
  std::vector<int> at;
  std::size_t len = cap.text().size();
  for (int i = 1; i <= n; ++i) {
    line.advance(i);
    const std::string t = cap.text();
    if (t.size() == len) continue;
    EXPECT_EQ(t.substr(len), "\xA1\xE1") << i;
    at.push_back(i);
    len = t.size();
  }
  return at;
}

std::vector<int> every(int from, int to, int step) {
  std::vector<int> v;
  for (int i = from; i <= to; i += step) v.push_back(i);
  return v;
}

}  // namespace

TEST(ProgressLine, MarksFollowTheTwentiethsOfTheItems) {
  EXPECT_EQ(marks(20), every(1, 20, 1));
  EXPECT_EQ(marks(40), every(2, 40, 2));
  EXPECT_EQ(marks(30), (std::vector<int>{1, 3, 4, 6, 7, 9, 10, 12, 13, 15, 16, 18, 19, 21, 22,
                                         24, 25, 27, 28, 30}));
  EXPECT_TRUE(marks(19).empty());
  EXPECT_TRUE(marks(0).empty());
  EXPECT_EQ(marks(100000).size(), 20u);
}

TEST(ProgressLine, EmptyRecordAndFailuresEndTheOpenLine) {
  textio::ConsoleCapture cap;
  cortexmap::ProgressLine line;
  line.start(1);
  line.blank_record();
  line.end();  // nothing open any more
  EXPECT_EQ(cap.text(), std::string(18, ' ') + " \n");
  line.start(20);
  line.advance(1);
  line.end();
  textio::console().record(textio::Record().text(" Something failed"));
  line.end();  // ended once only
  EXPECT_EQ(cap.text(), std::string(18, ' ') + " \n" + std::string(18, ' ') +
                            "\xA1\xE1\n  Something failed\n");
}
