// The generator itself: repeatable output, a stale pattern cache removed, and
// options it must refuse.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/meshgen.h"
#include "validation/pipeline.h"

namespace {

const char* const files[] = {"setting.dta", "xyz.dat",  "elem.dat",     "prop.dat",
                             "bval.dat",    "bcp.dat",  "ele_size.txt", "cortex.dat"};

TEST(MakeModel, SameOptionsGiveSameBytesAndRemoveStaleCache) {
  const std::string args[] = {"sphere --size tiny", "slab --layers 4:0.33,6:0.01 --step 1", "brick --cells 3,2,2"};
  for (const auto& a : args) {
    SCOPED_TRACE(a);
    const auto one = validation::make_model("same", a);
    // a second model into a directory that holds a pattern cache of another mesh
    const auto two = testmesh::fresh_dir("again");
    testmesh::write_file(two + "/irowjcol.da0", "3\n0 1 2 3\n");
    ASSERT_EQ(validation::run_tool("makemodel", a + " --out '" + two + "'").status, 0);
    EXPECT_FALSE(std::filesystem::exists(two + "/irowjcol.da0"));
    for (const char* f : files) {
      const auto text = testmesh::read_file(one + "/" + f);
      EXPECT_FALSE(text.empty()) << f;
      EXPECT_EQ(text, testmesh::read_file(two + "/" + f)) << f;
    }
    EXPECT_EQ(testmesh::read_file(one + "/setting.dta"), " ''\n 0.001\n");
    validation::tidy(one);
    validation::tidy(two);
  }
}

TEST(MakeModel, RefusesUnsoundOptions) {
  const auto dir = testmesh::fresh_dir("refuse");
  const std::string out = " --out '" + dir + "'";
  const std::string bad[] = {
      "",                                    // no model
      "cylinder",                            // unknown model
      "sphere --divisions 12",               // electrodes need a multiple of 8
      "sphere --size huge",                  // unknown size
      "slab --layers 3:1 --step 2",          // a layer that is not whole grid steps
      "slab --layers 4:0",                   // no conductivity
      "brick --cells 20,10,10",              // 71 potential levels: beyond the 50 potsolve holds
      "brick --sigma",                       // an option without its value
      "brick --colour red",                  // unknown option
  };
  for (const auto& a : bad) {
    const auto r = validation::run_tool("makemodel", a + out);
    EXPECT_EQ(r.status, 1) << a << "\n" << r.console;
    EXPECT_NE(r.console.find("makemodel: "), std::string::npos) << a;
  }
  // a refused model writes nothing
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  validation::tidy(dir);
  EXPECT_EQ(validation::run_tool("makemodel", "--help").status, 0);
}

}  // namespace
