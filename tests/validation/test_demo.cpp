// The demo pipeline, as cmake --workflow --preset demo runs it, on the tiny
// sphere: makemodel, potsolve and cortexmap with no console input, then the
// summary.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/meshgen.h"
#include "validation/pipeline.h"

namespace {

TEST(Demo, RunsThePipelineOnTheTinySphere) {
  const auto dir = testmesh::fresh_dir("demo") + "/out dir";  // a blank in the path
  const auto r = validation::run_tool("rundemo", "--size tiny --dir '" + dir + "' --bin '" BIN_DIR "'");
  ASSERT_EQ(r.status, 0) << r.console;
  EXPECT_NE(r.console.find("potsolve   exit status 0"), std::string::npos) << r.console;
  EXPECT_NE(r.console.find("cortexmap  exit status 0"), std::string::npos) << r.console;
  EXPECT_NE(r.console.find("ICCG: "), std::string::npos) << r.console;
  EXPECT_EQ(r.console.find("not converged"), std::string::npos) << r.console;
  EXPECT_NE(r.console.find("Cortical current density over 642 points"), std::string::npos) << r.console;
  for (const char* f : {"cortexfield.out", "cortexfield.tec", "cortexfield.ply", "potsolve.log", "cortexmap.log"})
    EXPECT_TRUE(std::filesystem::exists(dir + "/" + f)) << f;
  validation::tidy(std::filesystem::path(dir).parent_path().string());
}

TEST(Demo, StopsAtTheFirstFailingProgram) {
  // a size makemodel refuses: the demo ends with its status and runs nothing
  const auto dir = testmesh::fresh_dir("demofail");
  const auto r = validation::run_tool("rundemo", "--size nosuch --dir '" + dir + "' --bin '" BIN_DIR "'");
  EXPECT_EQ(r.status, 1) << r.console;
  EXPECT_EQ(r.console.find("potsolve"), std::string::npos) << r.console;
  validation::tidy(dir);
}

}  // namespace
