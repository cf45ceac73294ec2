// Fixed-layout writing: descriptors, repeat counts, restarts on a new record,
// asterisks and rounding.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "textio/layout.h"

using textio::field_e;
using textio::field_f;
using textio::field_i;
using textio::Item;
using textio::Layout;
using textio::render;

namespace {

std::string ints(const char* layout, int from, int to) {
  std::vector<Item> items;
  for (int v = from; v <= to; ++v) items.emplace_back(std::int32_t{v});
  return render(Layout(layout), items);
}

}  // namespace

TEST(Layout, RepeatedIntegersRestartOnNewRecords) {
  std::string first;
  for (int v = 1; v <= 12; ++v) first += field_i(v, 8);
  EXPECT_EQ(ints("12I8", 1, 13), first + "\n      13\n");
  EXPECT_EQ(ints("12I8", 1, 12), first + "\n");
  const std::string thirty = ints("12I8", 1, 30);
  EXPECT_EQ(std::count(thirty.begin(), thirty.end(), '\n'), 3);
  EXPECT_EQ(thirty.substr(thirty.rfind('\n', thirty.size() - 2) + 1), ints("6I8", 25, 30));
  EXPECT_EQ(ints("12I8", 1, 0), "\n");
  EXPECT_EQ(ints("4I10", 1, 4), "         1         2         3         4\n");
}

TEST(Layout, RecordsOfThePrograms) {
  const Item prog[] = {std::int32_t{10}, std::string_view("  |Ax-b|/|b| ="), 1.234e-5};
  EXPECT_EQ(render(Layout("1X,I5,A,E14.7"), prog), "    10  |Ax-b|/|b| = 0.1234000E-04\n");
  const Item last[] = {std::int32_t{9900}, std::string_view("  |Ax-b|/|b| ="), 9.5e-15};
  EXPECT_EQ(render(Layout("1X,I5,A,E14.7"), last), "  9900  |Ax-b|/|b| = 0.9500000E-14\n");

  const Item jcoll[] = {std::string_view("Cannot find jcoll"), std::int32_t{1}, std::int32_t{5}, std::int32_t{4},
                        std::int32_t{0}};
  EXPECT_EQ(render(Layout("A,4I7"), jcoll), "Cannot find jcoll      1      5      4      0\n");

  const Item limit[] = {std::string_view(" The number of Non-zero term ("), std::int32_t{2000001},
                        std::string_view(") exceeds the limit("), std::int32_t{2000000}, std::string_view(").!")};
  EXPECT_EQ(render(Layout("A,I8,A,I8,A"), limit),
            " The number of Non-zero term ( 2000001) exceeds the limit( 2000000).!\n");

  const Item point[] = {10.0f, 20.0f, 30.0f, 1.5f, 0.25f, 0.375f};
  EXPECT_EQ(render(Layout("6E18.8"), point),
            "    0.10000000E+02    0.20000000E+02    0.30000000E+02    0.15000000E+01    0.25000000E+00    "
            "0.37500000E+00\n");

  const Item ply[] = {0.1f, -2.5f, 1000.0f, std::int32_t{255}, std::int32_t{0}, std::int32_t{12}};
  EXPECT_EQ(render(Layout("(3F18.8, 3I5)"), ply),
            "        0.10000000       -2.50000000     1000.00000000  255    0   12\n");

  const Item prompt = std::string_view(" Press Any To Continue ...");
  EXPECT_EQ(render(Layout("A,$"), {&prompt, 1}), " Press Any To Continue ...");
  EXPECT_TRUE(Layout("$,A").no_line_end());
}

TEST(Layout, BlanksAndStopping) {
  const Item one[] = {std::int32_t{7}};
  EXPECT_EQ(render(Layout("2X,I3"), one), "    7\n");
  EXPECT_EQ(render(Layout("I3,2X,I3"), one), "  7\n");  // stops before the next data field
  const Item three[] = {std::int32_t{1}, std::int32_t{2}, std::int32_t{3}};
  EXPECT_EQ(render(Layout("I2,1X"), three), " 1\n 2\n 3\n");
  EXPECT_EQ(Layout("2A,3X,E10.3").fields().size(), 4u);
}

TEST(Layout, FieldsTooNarrowGetAsterisks) {
  EXPECT_EQ(field_i(99999, 5), "99999");
  EXPECT_EQ(field_i(-1234, 5), "-1234");
  EXPECT_EQ(field_i(123456, 5), "*****");
  EXPECT_EQ(field_i(-12345, 5), "*****");
  EXPECT_EQ(field_f(12345.6, 7, 1), "12345.6");
  EXPECT_EQ(field_f(12345.6, 6, 1), "******");
  EXPECT_EQ(field_f(0.5, 5, 2), " 0.50");
  EXPECT_EQ(field_f(0.5, 3, 2), ".50");    // the zero goes first
  EXPECT_EQ(field_f(-0.5, 4, 2), "-.50");
  EXPECT_EQ(field_f(-0.5, 3, 2), "***");
  EXPECT_EQ(field_e(0.15, 14, 7), " 0.1500000E+00");
  EXPECT_EQ(field_e(0.15, 12, 7), ".1500000E+00");
  EXPECT_EQ(field_e(-0.15, 13, 7), "-.1500000E+00");
  EXPECT_EQ(field_e(-0.15, 12, 7), "************");
  // Exponents of three digits drop the E; wider ones cannot be written.
  EXPECT_EQ(field_e(1.5e-120, 14, 7), " 0.1500000-119");
  EXPECT_EQ(field_e(-1e100, 14, 7), "-0.1000000+101");
  EXPECT_EQ(field_e(1e100, 11, 7), "***********");
  EXPECT_EQ(field_e(0.0, 14, 7), " 0.0000000E+00");
}

TEST(Layout, RealsAreRoundedNotTruncated) {
  EXPECT_EQ(field_f(1.999, 6, 2), "  2.00");
  EXPECT_EQ(field_f(-0.0049, 6, 2), " -0.00");
  EXPECT_EQ(field_f(99.996, 5, 2), "*****");  // rounds up to 100.00
  EXPECT_EQ(field_e(0.99999999, 14, 7), " 0.1000000E+01");
  EXPECT_EQ(field_e(1.23456789e-5, 14, 7), " 0.1234568E-04");
  EXPECT_EQ(field_e(9.99999996e99, 14, 7), " 0.1000000+101");
  const Item f = 0.1f;  // a 32-bit item is written with its own value
  EXPECT_EQ(render(Layout("F12.10"), {&f, 1}), "0.1000000015\n");
}

TEST(Layout, MisuseIsRefused) {
  for (const char* bad : {"I", "F8", "E10.0", "0I5", "Q5", "I5,,I5", "I5,", "2$", "I0", "F8.x"})
    EXPECT_THROW(Layout{bad}, std::invalid_argument) << bad;
  const Item text = std::string_view("x");
  const Item num = std::int32_t{1};
  const Item real = 1.0;
  EXPECT_THROW(render(Layout("I5"), {&text, 1}), std::logic_error);
  EXPECT_THROW(render(Layout("F5.1"), {&num, 1}), std::logic_error);
  EXPECT_THROW(render(Layout("A"), {&real, 1}), std::logic_error);
  EXPECT_THROW(render(Layout("5X"), {&num, 1}), std::logic_error);
}
