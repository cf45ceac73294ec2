// Free-format reading: statements over records, separators, null values,
// repeats, slashes, strings and the number conversions.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

#include "tempdir.h"
#include "textio/console.h"
#include "textio/errors.h"
#include "textio/reader.h"

using textio::Reader;
using textio::Str;

namespace {

Reader text_reader(const std::string& text) { return Reader::from_text(text, "t.dat", 1); }

template <class F>
std::string fatal_of(F f) {
  try {
    f();
  } catch (const textio::FatalError& e) {
    return e.what();
  }
  return "no fatal error";
}

}  // namespace

TEST(Reader, StatementStartsOnNextRecordAndIgnoresTheRest) {
  Reader r = text_reader("100 extra words\n7\n");
  std::int32_t a = 0, b = 0;
  r.read(a);
  r.read(b);
  EXPECT_EQ(a, 100);
  EXPECT_EQ(b, 7);
  EXPECT_EQ(r.record(), 2);
}

TEST(Reader, StatementSpansRecordsAndSkipsEmptyOnes) {
  Reader r = text_reader("1 2\n\n   \n3 4 5\n6\n");
  std::int32_t v[4] = {};
  r.read(v[0], v[1], v[2], v[3]);
  EXPECT_EQ(v[3], 4);
  EXPECT_EQ(v[2], 3);
  EXPECT_EQ(r.record(), 4);
  std::int32_t w = 0;
  r.read(w);  // 5 was discarded with the rest of record 4
  EXPECT_EQ(w, 6);

  // A node statement over two lines; a fifth value is ignored.
  Reader n = text_reader("1 0.5\n0.25 -2.0 9\n");
  std::int32_t id = 0;
  float x = 1, y = 1, z = 1;
  n.read(id, x, y, z);
  EXPECT_EQ(id, 1);
  EXPECT_EQ(x, 0.5f);
  EXPECT_EQ(y, 0.25f);
  EXPECT_EQ(z, -2.0f);
}

TEST(Reader, FirstLineTrapOfElementFile) {
  // The count line lacks its second integer: it comes from the next line, whose
  // rest is skipped, and the file ends one statement early.
  Reader r = text_reader("2\n0 0 1 2 3 1\n1 1 2 3 4 2\n");
  std::int32_t nelem = 0, unused = -1;
  r.read(nelem, unused);
  EXPECT_EQ(nelem, 2);
  EXPECT_EQ(unused, 0);
  std::int32_t e[6];
  r.read(e[0], e[1], e[2], e[3], e[4], e[5]);
  EXPECT_EQ(e[1], 1);
  EXPECT_EQ(fatal_of([&] { r.read(e[0], e[1], e[2], e[3], e[4], e[5]); }),
            " Fatal error: end of file; unit 1, file t.dat, record 3");
}

TEST(Reader, NullValuesSlashAndRepeats) {
  std::int32_t a = -1, b = -1, c = -1, d = -1;
  text_reader("1,2,,4\n").read(a, b, c, d);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(c, -1);
  EXPECT_EQ(d, 4);

  a = b = c = -1;
  text_reader(" , 5 ,\t, 6\n").read(a, b, c, d);  // leading comma, blanks around commas
  EXPECT_EQ(a, -1);
  EXPECT_EQ(b, 5);
  EXPECT_EQ(c, -1);
  EXPECT_EQ(d, 6);

  // A comma after a value at the end of a record separates; one starting the
  // next record then gives a null value. A comma starting a record after a
  // value without one is a plain separator.
  a = b = c = -1;
  text_reader("1,\n,3\n").read(a, b, c);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, -1);
  EXPECT_EQ(c, 3);
  a = b = -1;
  text_reader("1\n,2\n").read(a, b);
  EXPECT_EQ(b, 2);

  a = b = c = -1;
  Reader s = text_reader("7 / 8\n9\n");
  s.read(a, b, c);
  EXPECT_EQ(a, 7);
  EXPECT_EQ(b, -1);
  EXPECT_EQ(c, -1);
  s.read(a);
  EXPECT_EQ(a, 9);
  text_reader("5/6\n").read(a, b);  // the slash ends a number
  EXPECT_EQ(a, 5);
  EXPECT_EQ(b, -1);

  float f[4] = {1, 1, 1, 1};
  text_reader("3*0.0\n").read(f[0], f[1], f[2]);
  EXPECT_EQ(f[0], 0.0f);
  EXPECT_EQ(f[1], 0.0f);
  EXPECT_EQ(f[2], 0.0f);
  text_reader("2*-1.5 /\n").read(f[1], f[2], f[3]);
  EXPECT_EQ(f[1], -1.5f);
  EXPECT_EQ(f[2], -1.5f);
  EXPECT_EQ(f[3], 1.0f);
  a = b = c = -1;
  text_reader("2* 4\n").read(a, b, c);
  EXPECT_EQ(a, -1);
  EXPECT_EQ(b, -1);
  EXPECT_EQ(c, 4);
  a = b = c = -1;
  text_reader("2*,4\n").read(a, b, c);
  EXPECT_EQ(c, 4);
  EXPECT_EQ(fatal_of([] {
              std::int32_t v;
              text_reader("0*5\n").read(v);
            }),
            " Fatal error: bad repeat count '0'; unit 1, file t.dat, record 1");
}

TEST(Reader, Strings) {
  std::string a, b, c, d;
  text_reader("'it''s a' \"x\"\"y\",C:\\my/rest\n").read(Str{a, 10}, Str{b, 3}, Str{c, 4}, Str{d, 4});
  EXPECT_EQ(a, "it's a    ");
  EXPECT_EQ(b, "x\"y");
  EXPECT_EQ(c, "C:\\m");   // cut to the length; the value ended at the slash
  EXPECT_EQ(d, "");        // the slash ended the statement
  std::string e = "keep", f;
  text_reader("''\n").read(Str{f, 2});
  EXPECT_EQ(f, "  ");
  text_reader("\n\n12.5e0 x\n").read(Str{e, 6});  // blank lines are passed over; a number is text
  EXPECT_EQ(e, "12.5e0");
  std::string g = "x";
  text_reader("2*'a b'\n").read(Str{f, 3}, Str{g, 3});
  EXPECT_EQ(f, "a b");
  EXPECT_EQ(g, "a b");
  EXPECT_EQ(fatal_of([] {
              std::string s;
              text_reader("'open\nend'\n").read(Str{s, 8});
            }),
            " Fatal error: unterminated quoted string; unit 1, file t.dat, record 1");
}

TEST(Reader, CrLfRecords) {
  Reader r = text_reader("2\r\n'abc'\r\n1.5 2\r\n\r\n4\r\n");
  std::int32_t n = 0, i = 0;
  std::string s;
  float x = 0;
  r.read(n);
  r.read(Str{s, 4});
  r.read(x, i);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(s, "abc ");
  EXPECT_EQ(x, 1.5f);
  EXPECT_EQ(i, 2);
  r.read(i);
  EXPECT_EQ(i, 4);
  EXPECT_EQ(r.record(), 5);
}

TEST(Reader, Integers) {
  std::int32_t v = 0;
  text_reader("-2147483648\n").read(v);
  EXPECT_EQ(v, std::numeric_limits<std::int32_t>::min());
  text_reader("+2147483647\n").read(v);
  EXPECT_EQ(v, 2147483647);
  for (const char* bad : {"3.0", "abc", "2147483648", "-2147483649", "1e3", "-", "7x"}) {
    const std::string msg = fatal_of([&] { text_reader(std::string("\n") + bad + "\n").read(v); });
    EXPECT_EQ(msg, std::string(" Fatal error: cannot convert '") + bad + "' to integer; unit 1, file t.dat, record 2");
  }
  EXPECT_NE(fatal_of([&] { text_reader("'5'\n").read(v); }), "no fatal error");
}

TEST(Reader, Reals) {
  struct Case {
    const char* text;
    double value;
  };
  for (const Case& c : {Case{"3", 3.0}, Case{"3.", 3.0}, Case{"0.5", 0.5}, Case{"-1.2E-3", -1.2e-3}, Case{"1D0", 1.0},
                        Case{"+.25", 0.25}, Case{"2.5d+2", 250.0}, Case{"-7e1", -70.0}, Case{"1e-400", 0.0}}) {
    double d = -99;
    text_reader(c.text).read(d);
    EXPECT_EQ(d, c.value) << c.text;
  }
  for (const char* bad : {"NaN", "Inf", "-inf", "0x1p3", "1.0+5", ".", "E5", "1e", "1e+", "--1", "1.2.3"}) {
    double d = 0;
    float f = 0;
    EXPECT_NE(fatal_of([&] { text_reader(bad).read(d); }).find(std::string("cannot convert '") + bad + "' to real"),
              std::string::npos)
        << bad;
    EXPECT_NE(fatal_of([&] { text_reader(bad).read(f); }), "no fatal error") << bad;
  }
}

TEST(Reader, RealsRoundOnceToThirtyTwoBits) {
  // Just above the midpoint between 1 and the next float: rounded first to 64
  // bits it would fall on the midpoint and then round down to 1.
  float f = 0;
  text_reader("1.0000000596046448\n").read(f);
  EXPECT_EQ(f, std::nextafter(1.0f, 2.0f));
  text_reader("0.1\n").read(f);
  EXPECT_EQ(f, 0.1f);
  double d = 0;
  text_reader("0.1D0\n").read(d);
  EXPECT_EQ(d, 0.1);

  // Underflow gives subnormals and signed zeros.
  text_reader("1.4e-45\n").read(f);
  EXPECT_EQ(f, std::numeric_limits<float>::denorm_min());
  text_reader("-1e-50\n").read(f);
  EXPECT_EQ(f, 0.0f);
  EXPECT_TRUE(std::signbit(f));
  text_reader("3.4028235e38\n").read(f);
  EXPECT_EQ(f, std::numeric_limits<float>::max());
}

TEST(Reader, OverflowingRealIsRejected) {
  textio::ConsoleCapture cap;
  float f = 5;
  int status = textio::run_program([&] {
    Reader r = Reader::from_text("1\n2 1e39\n", "prop.dat", 1);
    std::int32_t n;
    r.read(n);
    r.read(n, f);
  });
  EXPECT_EQ(status, textio::exit_handled);
  EXPECT_EQ(f, 5.0f);
  EXPECT_EQ(cap.text(), " Rejected input: prop.dat, record 2: value 1e39 is out of range for a 32-bit real\n");

  double d = 0;
  text_reader("1e39\n").read(d);
  EXPECT_EQ(d, 1e39);
  EXPECT_THROW(text_reader("-1D309\n").read(d), textio::Stop);
}

TEST(Reader, EndOfFileAndEmptyStatements) {
  EXPECT_EQ(fatal_of([] { text_reader("").begin(); }), " Fatal error: end of file; unit 1, file t.dat, record 0");
  Reader r = text_reader("skip me\n5");  // no line end after the last record
  r.begin();                             // a statement without targets consumes one record
  std::int32_t v = 0;
  r.read(v);
  EXPECT_EQ(v, 5);
  EXPECT_EQ(fatal_of([&] { r.begin(); }), " Fatal error: end of file; unit 1, file t.dat, record 2");
  Reader t = text_reader("1 2\n\n");
  std::int32_t a, b, c;
  EXPECT_EQ(fatal_of([&] { t.read(a, b, c); }), " Fatal error: end of file; unit 1, file t.dat, record 2");
}

TEST(Reader, OpenIgnoresLetterCaseOnlyWhenNeeded) {
  textio_test::TempDir dir;
  textio_test::write_file(dir / "xyz.dat", "1\n");
  textio_test::write_file(dir / "Q.dat", "2\n");
  textio_test::write_file(dir / "q.DAT", "3\n");
  textio_test::write_file(dir / "q.dat", "4\n");
  std::filesystem::create_directory(dir / "sub.dat");
  std::int32_t v = 0;

  std::optional<Reader> r = Reader::try_open(dir / "XYZ.DAT", 1);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->name(), dir / "xyz.dat");
  r->read(v);
  EXPECT_EQ(v, 1);
  Reader::open(dir / "q.dat", 1).read(v);  // the exact name first
  EXPECT_EQ(v, 4);
  Reader::open(dir / "Q.DAT", 1).read(v);  // else the first match in byte order
  EXPECT_EQ(v, 2);

  EXPECT_FALSE(Reader::try_open(dir / "sub.dat", 1));
  EXPECT_FALSE(Reader::try_open(dir / "none.dat", 1));
  EXPECT_FALSE(Reader::try_open(dir.path().string(), 1));
  EXPECT_EQ(fatal_of([&] { Reader::open(dir / "setting.dta", 1); }),
            " Fatal error: cannot open (status old); unit 1, file " + (dir / "setting.dta") + ", record 0");

  // A bare name looks in the working directory.
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  std::optional<Reader> bare = Reader::try_open("XyZ.dat", 1);
  std::filesystem::current_path(cwd);
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->name(), "xyz.dat");
}

TEST(Reader, LargeElementFile) {
  // The largest element file the solver takes: 550,000 statements of six
  // integers. Every value must arrive; the throughput is reported.
  const int n = 550000;
  std::string text = std::to_string(n) + " 0\n";
  char line[80];
  // one element record per pass
  for (int e = 0; e < n; ++e) {
    std::snprintf(line, sizeof line, "%d %d %d %d %d %d\n", e, e % 99991, (e * 7) % 99991, e % 1000 + 3, 99990, e % 100 + 1);
    text += line;
  }
  const double mb = text.size() / 1e6;
  const auto t0 = std::chrono::steady_clock::now();
  Reader r = Reader::from_text(std::move(text), "elem.dat", 1);
  std::int32_t count = 0, unused = 0;
  r.read(count, unused);
  std::int64_t sum = 0;
  std::int32_t v[6];
  // read and total every element statement
  for (int e = 0; e < count; ++e) {
    r.read(v[0], v[1], v[2], v[3], v[4], v[5]);
    sum += v[0] + v[1] + v[2] + v[3] + v[4] + v[5];
  }
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::int64_t expect = 0;
  // the same total computed directly
  for (std::int64_t e = 0; e < n; ++e) expect += e + e % 99991 + (e * 7) % 99991 + e % 1000 + 3 + 99990 + e % 100 + 1;
  EXPECT_EQ(sum, expect);
  EXPECT_EQ(r.record(), n + 1);
  std::printf("[ reader   ] %.1f MB in %.3f s: %.0f MB/s\n", mb, s, mb / s);
}
