// The four-shell head phantom at three grid sizes, the finest at the full
// capacity of the programs: the runs converge, the cortical current density
// settles as the grid is refined, and the anode side carries more current.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "validation/pipeline.h"

namespace {

// The number printed before a label in a console, or -1.
long long number_before(const std::string& console, const std::string& label) {
  const auto at = console.find(label);
  if (at == std::string::npos) return -1;
  auto start = console.rfind(' ', at - 2);
  return std::atoll(console.substr(start + 1, at - start - 1).c_str());
}

long long number_after(const std::string& console, const std::string& label) {
  const auto at = console.find(label);
  return at == std::string::npos ? -1 : std::atoll(console.c_str() + at + label.size());
}

TEST(SpherePhantom, ConvergesUnderRefinementWithinCapacity) {
  const int divisions[3] = {8, 16, 24};
  double mean[3] = {};
  // each grid: generate, solve, map, and compare the mean cortical current density
  for (int g = 0; g < 3; ++g) {
    SCOPED_TRACE("divisions " + std::to_string(divisions[g]));
    std::string made;
    const auto dir = validation::make_model(
        "sphere", "sphere --divisions " + std::to_string(divisions[g]) + " --cortex-level 3", &made);
    const auto run = validation::solve_and_map(dir);
    ASSERT_EQ(run.potsolve.status, 0) << run.potsolve.console;
    ASSERT_EQ(run.cortexmap.status, 0) << run.cortexmap.console;
    double residual = 1;
    EXPECT_GT(validation::last_iteration(run.potsolve.console, &residual), 0);
    EXPECT_LT(residual, 1e-14);
    // the solver's stored terms are those the generator counted
    EXPECT_EQ(number_after(run.potsolve.console, "# of non-zeros :"), number_before(made, "stored matrix terms"));

    const auto samples = validation::read_samples(dir);
    ASSERT_EQ(samples.size(), 642u);
    const auto m = validation::mean_current(samples);
    mean[g] = m.all;
    // the anode (+z) is the smaller electrode: more current crowds under it
    EXPECT_GT(m.upper, 1.02 * m.lower);
    if (g == 2) {
      // the finest grid is the full-capacity model
      EXPECT_GT(number_before(made, "nodes,"), 80000);
      EXPECT_LE(number_before(made, "nodes,"), 100000);
      EXPECT_LE(number_before(made, "elements,"), 550000);
      EXPECT_LE(number_before(made, "stored matrix terms"), 2000000);
    }
    validation::tidy(dir);
  }
  EXPECT_LT(std::fabs(mean[2] - mean[1]), std::fabs(mean[1] - mean[0]))
      << "means " << mean[0] << ", " << mean[1] << ", " << mean[2];
}

}  // namespace
