// Free-format reading: statements over records, separators, null values,
// repeats, slashes, strings and the number conversions.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "tempdir.h"
#include "textio/console.h"
#include "textio/errors.h"
#include "textio/reader.h"

using textio::Reader;
using textio::Str;
using V = std::vector<std::int32_t>;

namespace {

Reader text_reader(const std::string& text) { return Reader::from_text(text, "t.dat", 1); }

// One statement of n integer targets that start at -1.
V ints(const std::string& text, std::size_t n) {
  Reader r = text_reader(text);
  V v(n, -1);
  r.begin();
  for (auto& x : v) r.get(x);
  return v;
}

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

TEST(Reader, StatementsAndRecords) {
  Reader r = text_reader("100 extra words\n1 2\n\n   \n3 4 5\n6");
  V v(5);
  r.read(v[0]);
  r.read(v[1], v[2], v[3], v[4]);  // runs over empty records; 5 is discarded
  EXPECT_EQ(v, (V{100, 1, 2, 3, 4}));
  EXPECT_EQ(r.record(), 5);
  r.begin();  // a statement without targets consumes one record
  EXPECT_EQ(fatal_of([&] { r.begin(); }), " Fatal error: end of file; unit 1, file t.dat, record 6");
  EXPECT_EQ(fatal_of([] { text_reader("").begin(); }), " Fatal error: end of file; unit 1, file t.dat, record 0");
  EXPECT_EQ(fatal_of([] { ints("1 2\n\n", 3); }), " Fatal error: end of file; unit 1, file t.dat, record 2");

  // A node statement over two lines.
  Reader n = text_reader("1 0.5\n0.25 -2.0 9\n");
  std::int32_t id = 0;
  float x = 1, y = 1, z = 1;
  n.read(id, x, y, z);
  EXPECT_EQ(std::vector<float>({x, y, z}), std::vector<float>({0.5f, 0.25f, -2.0f}));

  // CRLF records.
  Reader c = text_reader("'abc'\r\n1.5 2\r\n\r\n4\r\n");
  std::string s;
  c.read(Str{s, 4});
  c.read(x, id);
  EXPECT_EQ(s, "abc ");
  EXPECT_EQ(x, 1.5f);
  c.read(id);
  EXPECT_EQ(id, 4);
  EXPECT_EQ(c.record(), 4);
}

TEST(Reader, FirstLineTrapOfElementFile) {
  // The count line lacks its second integer: it comes from the next line, whose
  // rest is skipped, and the file ends one statement early.
  Reader r = text_reader("2\n0 0 1 2 3 1\n1 1 2 3 4 2\n");
  V head(2), e(6);
  r.read(head[0], head[1]);
  EXPECT_EQ(head, (V{2, 0}));
  r.read(e[0], e[1], e[2], e[3], e[4], e[5]);
  EXPECT_EQ(e, (V{1, 1, 2, 3, 4, 2}));
  EXPECT_EQ(fatal_of([&] { r.read(e[0], e[1], e[2], e[3], e[4], e[5]); }),
            " Fatal error: end of file; unit 1, file t.dat, record 3");
}

TEST(Reader, NullValuesSlashAndRepeats) {
  EXPECT_EQ(ints("1,2,,4\n", 4), (V{1, 2, -1, 4}));
  EXPECT_EQ(ints(" , 5 ,\t, 6\n", 4), (V{-1, 5, -1, 6}));
  // A comma ending a record after a value separates, so one starting the next
  // record is a null value; after a value without a comma it separates.
  EXPECT_EQ(ints("1,\n,3\n", 3), (V{1, -1, 3}));
  EXPECT_EQ(ints("1\n,2\n", 2), (V{1, 2}));
  EXPECT_EQ(ints("7 / 8\n9\n", 3), (V{7, -1, -1}));
  EXPECT_EQ(ints("5/6\n", 2), (V{5, -1}));
  EXPECT_EQ(ints("2*4 1\n", 3), (V{4, 4, 1}));
  EXPECT_EQ(ints("2* 4\n", 3), (V{-1, -1, 4}));
  EXPECT_EQ(ints("2*,4\n", 3), (V{-1, -1, 4}));
  float f[4] = {1, 1, 1, 1};
  text_reader("3*0.0\n").read(f[0], f[1], f[2]);
  text_reader("1.5 /\n").read(f[2], f[3]);
  EXPECT_EQ(std::vector<float>(f, f + 4), std::vector<float>({0.0f, 0.0f, 1.5f, 1.0f}));
  EXPECT_EQ(fatal_of([] { ints("0*5\n", 1); }), " Fatal error: bad repeat count '0'; unit 1, file t.dat, record 1");
}

TEST(Reader, Strings) {
  std::string a, b, c, d, e = "keep";
  text_reader("'it''s a' \"x\"\"y\",C:\\my/rest\n").read(Str{a, 10}, Str{b, 3}, Str{c, 4}, Str{d, 4});
  EXPECT_EQ(a, "it's a    ");
  EXPECT_EQ(b, "x\"y");
  EXPECT_EQ(c, "C:\\m");  // cut to its length; the value ended at the slash
  EXPECT_EQ(d, "");       // and the slash ended the statement
  text_reader("\n\n12.5e0 x\n").read(Str{e, 6});  // blank lines are passed over; a number is text
  EXPECT_EQ(e, "12.5e0");
  text_reader("2*'' x\n").read(Str{a, 2}, Str{b, 1});
  EXPECT_EQ(a + b, "   ");
  EXPECT_EQ(fatal_of([&] { text_reader("'open\nend'\n").read(Str{a, 8}); }),
            " Fatal error: unterminated quoted string; unit 1, file t.dat, record 1");
}

TEST(Reader, Numbers) {
  EXPECT_EQ(ints("-2147483648 +2147483647\n", 2), (V{std::numeric_limits<std::int32_t>::min(), 2147483647}));
  for (const char* bad : {"3.0", "abc", "2147483648", "-2147483649", "1e3", "-", "'5'"})
    EXPECT_EQ(fatal_of([&] { ints(std::string("\n") + bad + "\n", 1); }),
              " Fatal error: cannot convert '" + std::string(bad[0] == '\'' ? "5" : bad) +
                  "' to integer; unit 1, file t.dat, record 2");

  for (auto [text, value] : {std::pair{"3", 3.0}, {"3.", 3.0}, {"0.5", 0.5}, {"-1.2E-3", -1.2e-3}, {"1D0", 1.0},
                             {"+.25", 0.25}, {"2.5d+2", 250.0}, {"1e39", 1e39}, {"1e-400", 0.0}}) {
    double d = -99;
    text_reader(text).read(d);
    EXPECT_EQ(d, value) << text;
  }
  for (const char* bad : {"NaN", "Inf", "-inf", "0x1p3", "1.0+5", ".", "E5", "1e", "1e+", "--1", "1.2.3"}) {
    float f;
    EXPECT_EQ(fatal_of([&] { text_reader(bad).read(f); }),
              " Fatal error: cannot convert '" + std::string(bad) + "' to real; unit 1, file t.dat, record 1");
  }

  // Rounded once, from the text: just above the midpoint between 1 and the
  // next float, which a detour through 64 bits would round down to 1.
  float f = 0;
  text_reader("1.0000000596046448\n").read(f);
  EXPECT_EQ(f, std::nextafter(1.0f, 2.0f));
  text_reader("1.4e-45\n").read(f);  // underflow: subnormals and signed zeros
  EXPECT_EQ(f, std::numeric_limits<float>::denorm_min());
  text_reader("-1e-50\n").read(f);
  EXPECT_TRUE(f == 0.0f && std::signbit(f));
}

TEST(Reader, OverflowingRealIsRejected) {
  textio::ConsoleCapture cap;
  float f = 5;
  EXPECT_EQ(textio::run_program([&] {
              std::int32_t n;
              Reader::from_text("1\n2 1e39\n", "prop.dat", 1).read(n, n, f);
            }),
            textio::exit_handled);
  EXPECT_EQ(f, 5.0f);
  EXPECT_EQ(cap.text(), " Rejected input: prop.dat, record 2: value 1e39 is out of range for a 32-bit real\n");
  double d;
  EXPECT_THROW(text_reader("-1D309\n").read(d), textio::Stop);
}

TEST(Reader, OpenIgnoresLetterCaseOnlyWhenNeeded) {
  textio_test::TempDir dir;
  testmesh::write_file(dir / "xyz.dat", "1\n");
  testmesh::write_file(dir / "Q.dat", "2\n");
  testmesh::write_file(dir / "q.DAT", "3\n");
  testmesh::write_file(dir / "q.dat", "4\n");
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
  EXPECT_FALSE(Reader::try_open(dir.path().string(), 1));
  EXPECT_EQ(fatal_of([&] { Reader::open(dir / "setting.dta", 1); }),
            " Fatal error: cannot open (status old) (No such file or directory); unit 1, file " + (dir / "setting.dta") +
                ", record 0");
  EXPECT_EQ(fatal_of([&] { Reader::open(dir / "sub.dat", 1); }),
            " Fatal error: cannot open (status old) (Is a directory); unit 1, file " + (dir / "sub.dat") + ", record 0");

  // A UTF-8 byte-order mark before the first record is passed over.
  testmesh::write_file(dir / "bom.dat", "\xEF\xBB\xBF"
                                       "7\n");
  Reader::open(dir / "bom.dat", 1).read(v);
  EXPECT_EQ(v, 7);

  // A bare name looks in the working directory.
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  std::optional<Reader> bare = Reader::try_open("XyZ.dat", 1);
  std::filesystem::current_path(cwd);
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->name(), "xyz.dat");
}

TEST(Reader, LargeElementFile) {
  // The largest element file: 550,000 statements of six integers. Every value
  // must arrive; the throughput is reported.
  const std::int64_t n = 550000;
  std::string text = std::to_string(n) + " 0\n";
  std::int64_t expect = 0;
  // one element record per pass, and the total of its values
  for (std::int64_t e = 0; e < n; ++e) {
    const std::int64_t v[6] = {e, e % 99991, e * 7 % 99991, e % 1000 + 3, 99990, e % 100 + 1};
    for (std::int64_t x : v) text += std::to_string(x) + ' ', expect += x;
    text += '\n';
  }
  const double mb = text.size() / 1e6;
  const auto t0 = std::chrono::steady_clock::now();
  Reader r = Reader::from_text(std::move(text), "elem.dat", 1);
  std::int32_t count = 0, v[6];
  r.read(count, v[0]);
  std::int64_t sum = 0;
  // read and total every element statement
  for (int e = 0; e < count; ++e) {
    r.read(v[0], v[1], v[2], v[3], v[4], v[5]);
    sum += std::int64_t{v[0]} + v[1] + v[2] + v[3] + v[4] + v[5];
  }
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_EQ(sum, expect);
  EXPECT_EQ(r.record(), n + 1);
  std::printf("[ reader   ] %.1f MB in %.3f s: %.0f MB/s\n", mb, s, mb / s);
}
