// Models whose solution is known in closed form: linear elements reproduce a
// piecewise linear potential exactly, so the solver must match it to rounding,
// and cortexmap must find the uniform current density of the calibration in
// every element with |E| = |J| / sigma of its layer.
//
// The models are written with scale 1 and conductivities 3 * 2^k: with
// power-of-two grid steps every element matrix entry and every diagonal sum is
// then a short binary fraction, exact also in the solver's 32-bit diagonal. (With
// the usual scale 0.001 the coordinates and the diagonal round, and the
// potential is reproduced to about 1e-6 only.)
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <vector>

#include "validation/pipeline.h"

namespace {

using validation::Sample;

struct Layer {
  double thickness, sigma;  // mm, S/m
};

// Exact potential of a slab with its face x = 0 at volts and x = length at 0.
double slab_potential(const std::vector<Layer>& layers, double volts, double x) {
  double resist = 0;
  for (const auto& l : layers) resist += l.thickness / l.sigma;
  double u = volts, start = 0;
  // down through the layers before x, then into the layer holding x
  for (const auto& l : layers) {
    const double t = std::min(std::max(x - start, 0.0), l.thickness);
    u -= volts / resist * t / l.sigma;
    start += l.thickness;
  }
  return u;
}

// Every cortical point of a box model: J equals the calibration refcurr/refarea
// and E equals J over the conductivity at the point, each to tol relative.
void expect_uniform_current(const std::vector<Sample>& samples, double jref, double tol,
                            double (*sigma_at)(double x, const void* ctx), const void* ctx) {
  for (const auto& s : samples) {
    EXPECT_NEAR(s.j, jref, tol * jref) << "at x = " << s.x;
    const double e = jref / sigma_at(s.x, ctx);
    EXPECT_NEAR(s.e, e, tol * e) << "at x = " << s.x;
    EXPECT_NEAR(s.p, jref * e, 2 * tol * jref * e) << "at x = " << s.x;
  }
}

TEST(ExactSolutions, LayeredSlabPotentialAndCalibratedFields) {
  const std::vector<Layer> layers = {{8, 1.5}, {6, 0.375}, {4, 3.0}, {10, 0.75}};
  const double volts = 2.0, step = 2.0, width = 8.0, current_ma = 3.0;
  const std::string dir = validation::make_model(
      "slab", "slab --scale 1 --step 2 --width 8 --volts 2 --current 3 --layers 8:1.5,6:0.375,4:3,10:0.75");
  const auto run = validation::solve_and_map(dir);
  ASSERT_EQ(run.potsolve.status, 0) << run.potsolve.console;
  ASSERT_EQ(run.cortexmap.status, 0) << run.cortexmap.console;

  // the potential of every node, interior and fixed
  const auto xyz = validation::read_nodes(dir);
  const auto u = validation::read_potentials(dir);
  ASSERT_EQ(u.size(), xyz.size());
  for (std::size_t i = 0; i < xyz.size(); ++i)
    ASSERT_NEAR(u[i], slab_potential(layers, volts, xyz[i][0]), 1e-10 * volts) << "node " << i + 1;

  // cortexmap: the calibration makes J = refcurr / refarea in every element
  const double jref = current_ma * 1e-3 / (width * width * 1e-6);
  // cortexmap reads the potentials as 32-bit reals and differences them over one
  // element: the relative error is about FLT_EPSILON * volts / (smallest drop
  // across one grid step), the drop of the best-conducting layer
  double resist = 0, best = 0;
  for (const auto& l : layers) resist += l.thickness / l.sigma, best = std::max(best, l.sigma);
  const double tol = 8 * FLT_EPSILON * volts / (volts / resist * step / best);
  const auto samples = validation::read_samples(dir);
  ASSERT_EQ(samples.size(), 9 * layers.size());
  expect_uniform_current(
      samples, jref, tol,
      [](double x, const void* ctx) {
        double start = 0;
        for (const auto& l : *static_cast<const std::vector<Layer>*>(ctx)) {
          if (x < start + l.thickness) return l.sigma;
          start += l.thickness;
        }
        return 0.0;
      },
      &layers);
  validation::tidy(dir);
}

TEST(ExactSolutions, BrickInObliqueUniformField) {
  // the generator holds the surface at volts * (i + 2j + 3k) / (nx + 2ny + 3nz);
  // with 32 levels the prescribed values are exact in 32 bits
  const int nx = 8, ny = 6, nz = 4, top = nx + 2 * ny + 3 * nz;
  const double volts = 1.0, step = 4.0, sigma = 0.375;
  const std::string dir = validation::make_model("brick", "brick --scale 1 --step 4 --cells 8,6,4 --sigma 0.375");
  const auto run = validation::solve_and_map(dir);
  ASSERT_EQ(run.potsolve.status, 0) << run.potsolve.console;
  ASSERT_EQ(run.cortexmap.status, 0) << run.cortexmap.console;

  const auto xyz = validation::read_nodes(dir);
  const auto u = validation::read_potentials(dir);
  ASSERT_EQ(u.size(), static_cast<std::size_t>((nx + 1) * (ny + 1) * (nz + 1)));
  int interior = 0;
  // every node, the interior ones solved for
  for (std::size_t i = 0; i < xyz.size(); ++i) {
    const double exact = volts * (xyz[i][0] + 2 * xyz[i][1] + 3 * xyz[i][2]) / step / top;
    ASSERT_NEAR(u[i], exact, 1e-10 * volts) << "node " << i + 1;
    interior += xyz[i][0] > 0 && xyz[i][0] < nx * step && xyz[i][1] > 0 && xyz[i][1] < ny * step &&
                xyz[i][2] > 0 && xyz[i][2] < nz * step;
  }
  EXPECT_EQ(interior, (nx - 1) * (ny - 1) * (nz - 1));

  // the reference area is one grid square, the current 2 mA
  const double jref = 2e-3 / (step * step * 1e-6);
  const double tol = 8 * FLT_EPSILON * top;  // a step along x drops volts / top
  const auto samples = validation::read_samples(dir);
  ASSERT_EQ(samples.size(), 9u);
  expect_uniform_current(samples, jref, tol, [](double, const void* s) { return *static_cast<const double*>(s); },
                         &sigma);
  validation::tidy(dir);
}

}  // namespace
