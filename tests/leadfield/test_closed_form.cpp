// The lead field of the four-shell sphere against the closed form, its
// reciprocity, and the two solvers against each other.
#include <gtest/gtest.h>

#include <cmath>

#include "cap_model.h"
#include "leadfield/h5file.h"
#include "shells.h"

namespace {

using captest::cap_model;

// One leadfield run of the cap per solver, read back.
struct LeadRun {
  std::vector<double> v, points;
  std::vector<float> e;
  std::string console;
};

LeadRun lead_run(const std::string& solver) {
  const auto& m = cap_model();
  const std::string out = m.dir + "/" + solver + ".h5";
  const child::Result r = captest::leadfield("'" + m.dir + "' --reference E12 --solver " + solver + " --out '" + out + "'");
  EXPECT_EQ(r.status, 0) << r.console;
  const leadfield::H5Reader h5(out);
  return {h5.reals("/electrodes/V"), h5.reals("/cortex/points"), h5.floats("/cortex/E"), r.console};
}

const LeadRun& cholesky() {
  static const LeadRun r = lead_run("cholesky");
  return r;
}

// RDM and ln MAG of the sampled field of 1 mA from a into b against the series,
// over every cortical point.
TEST(LeadFieldSphere, MatchesTheShellSeries) {
  const auto& m = cap_model();
  const LeadRun& r = cholesky();
  const std::size_t ne = m.names.size(), np = r.points.size() / 3;
  const shells::Sphere sphere{{0.080, 0.082, 0.088, 0.092}, captest::sigmas};
  // electrode pairs: three against the reference, one between two driven electrodes
  const std::pair<std::size_t, std::size_t> pairs[] = {{0, 11}, {4, 11}, {9, 11}, {2, 6}};
  for (const auto& [a, b] : pairs) {
    SCOPED_TRACE(m.names[a] + " to " + m.names[b]);
    double nf = 0, na = 0;
    std::vector<std::array<double, 3>> fem(np), exact(np);
    for (std::size_t p = 0; p < np; ++p) {
      shells::Vec x, ca, cb;
      for (int k = 0; k < 3; ++k) {
        x[k] = r.points[3 * p + k] * 1e-3;
        ca[k] = m.centres[a][k] * 1e-3;
        cb[k] = m.centres[b][k] * 1e-3;
      }
      exact[p] = shells::field(sphere, 1e-3, ca, cb, x);
      // columns are the non-reference electrodes; a into b is column a minus column b
      for (int k = 0; k < 3; ++k)
        fem[p][k] = r.e[(a * np + p) * 3 + k] - (b + 1 < ne ? r.e[(b * np + p) * 3 + k] : 0.0f);
      for (int k = 0; k < 3; ++k) {
        nf += fem[p][k] * fem[p][k];
        na += exact[p][k] * exact[p][k];
      }
    }
    nf = std::sqrt(nf);
    na = std::sqrt(na);
    double rdm = 0;
    for (std::size_t p = 0; p < np; ++p)
      for (int k = 0; k < 3; ++k) rdm += std::pow(fem[p][k] / nf - exact[p][k] / na, 2);
    EXPECT_LT(std::sqrt(rdm), 0.05);
    EXPECT_LT(std::fabs(std::log(nf / na)), 0.05) << nf << " against " << na;
  }
}

// The potential at electrode j for current into k equals that at k for current into j.
TEST(LeadFieldSphere, TransferMatrixIsSymmetric) {
  const LeadRun& r = cholesky();
  const std::size_t ne = cap_model().names.size(), k = ne - 1;  // the reference is the last
  ASSERT_EQ(r.v.size(), k * ne);
  double worst = 0, largest = 0;
  for (std::size_t i = 0; i < k; ++i)
    for (std::size_t j = 0; j < k; ++j) {
      worst = std::max(worst, std::fabs(r.v[i * ne + j] - r.v[j * ne + i]));
      largest = std::max(largest, std::fabs(r.v[i * ne + j]));
    }
  EXPECT_LT(worst, 1e-10 * largest);
  for (std::size_t i = 0; i < k; ++i) EXPECT_EQ(r.v[i * ne + k], 0.0) << "the reference is grounded";
}

// ICCG and the factorisation give the same transfer matrix, and each says why it ran.
TEST(LeadFieldSphere, SolversAgree) {
  const LeadRun& c = cholesky();
  const LeadRun i = lead_run("iccg");
  ASSERT_EQ(c.v.size(), i.v.size());
  double worst = 0, largest = 0;
  for (std::size_t q = 0; q < c.v.size(); ++q) {
    worst = std::max(worst, std::fabs(c.v[q] - i.v[q]));
    largest = std::max(largest, std::fabs(c.v[q]));
  }
  EXPECT_LT(worst, 1e-8 * largest);
  EXPECT_NE(c.console.find("solver cholesky: asked for with --solver cholesky"), std::string::npos) << c.console;
  EXPECT_NE(i.console.find("solver iccg: asked for with --solver iccg"), std::string::npos) << i.console;
  // a factor that would not fit sends the run to ICCG by itself
  const auto& m = cap_model();
  const child::Result small =
      captest::leadfield("'" + m.dir + "' --reference E12 --memory 1 --out '" + m.dir + "/small.h5'");
  EXPECT_EQ(small.status, 0) << small.console;
  EXPECT_NE(small.console.find("solver iccg: the Cholesky factor of"), std::string::npos) << small.console;
}

}  // namespace
