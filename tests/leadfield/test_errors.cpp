// Every rejected run: one line naming the cause, exit status 1, and the
// output file as it was (no partial file, no temporary left beside it).
#include <gtest/gtest.h>

#include <suitesparse/SuiteSparse_config.h>

#include <filesystem>

#include "cap_model.h"
#include "common/files.h"
#include "leadfield/cholesky.h"
#include "leadfield/error.h"
#include "leadfield/lead_run.h"

namespace {

namespace fs = std::filesystem;

// The names in dir.
std::vector<std::string> listing(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& f : fs::directory_iterator(dir)) names.push_back(f.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(LeadFieldErrors, EachFailureIsOneLineAndLeavesTheOutputAlone) {
  const auto& m = captest::cap_model();
  const std::string out = testmesh::fresh_dir("leadfield-errors");
  // a lead field to take montages from
  const child::Result made = captest::leadfield("'" + m.dir + "' --reference E12 --out '" + out + "/cap.h5'");
  ASSERT_EQ(made.status, 0) << made.console;
  // models with one fault each
  const std::string bare = captest::copy_model("leadfield-bare");
  fs::remove(bare + "/electrodes.dat");
  const std::string cut = captest::copy_model("leadfield-cut");
  testmesh::write_file(cut + "/prop.dat", "4\n0.275\n1.654\n0.0\n0.465\n");  // the bone does not conduct
  const std::string moved = captest::copy_model("leadfield-moved");
  testmesh::write_file(moved + "/prop.dat", "4\n0.33\n1.654\n0.01\n0.465\n");

  struct Case {
    std::string args, word;
  };
  const std::string lead = "--out '" + out + "/target.h5' ";
  const Case cases[] = {
      {lead + "'" + m.dir + "' --reference Cz", "unknown reference electrode Cz"},
      {lead + "'" + bare + "' --reference E12", "make one with headmesh import"},
      {lead + "'" + cut + "' --reference E12", "not connected to the reference electrode E12"},
      {"montage '" + out + "/cap.h5' --current E1=1 --model '" + moved + "' --out '" + out + "'",
       "made from another model"},
      {"montage '" + out + "/cap.h5' --current Cz=1 --out '" + out + "'", "no electrode of that name"},
  };
  testmesh::write_file(out + "/target.h5", "earlier\n");
  const std::vector<std::string> before = listing(out);
  // every case: status 1, its cause on the last line, nothing written
  for (const Case& c : cases) {
    const child::Result r = captest::leadfield(c.args);
    EXPECT_EQ(r.status, 1) << c.word << ": " << r.console;
    const auto lines = testmesh::lines(r.console);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find(c.word), std::string::npos) << r.console;
    EXPECT_EQ(testmesh::read_file(out + "/target.h5"), "earlier\n");
    EXPECT_EQ(listing(out), before) << c.word;
  }
}

// CHOLMOD running out of memory in the numeric factorisation is one error,
// not a crash or a factor with holes.
TEST(LeadFieldErrors, MemoryExhaustedInTheFactorisation) {
  const leadfield::LeadProblem p = leadfield::prepare_problem(captest::cap_model().dir, "E12");
  leadfield::Cholesky c(p.system);
  const auto saved_malloc = SuiteSparse_config.malloc_func;
  const auto saved_calloc = SuiteSparse_config.calloc_func;
  SuiteSparse_config.malloc_func = [](std::size_t) -> void* { return nullptr; };
  SuiteSparse_config.calloc_func = [](std::size_t, std::size_t) -> void* { return nullptr; };
  std::string message;
  try {
    c.factorize();
  } catch (const leadfield::Error& e) {
    message = e.what();
  }
  SuiteSparse_config.malloc_func = saved_malloc;
  SuiteSparse_config.calloc_func = saved_calloc;
  EXPECT_NE(message.find("out of memory in the Cholesky factorisation"), std::string::npos) << message;
  EXPECT_NE(message.find("--solver iccg"), std::string::npos) << message;
}

}  // namespace
