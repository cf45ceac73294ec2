// Superposition and reciprocity in the algebra: a montage equals a direct solve
// with its currents, a cap of two electrodes equals potsolve's fixed-potential
// solution scaled to 1 mA, and the lead field gives a dipole's electrode
// potentials.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "cap_model.h"
#include "common/files.h"
#include "leadfield/cholesky.h"
#include "leadfield/h5file.h"
#include "leadfield/lead_run.h"
#include "leadfield/montage.h"
#include "leadfield/sampling.h"

namespace {

using namespace leadfield;

double largest(const std::vector<double>& v) {
  double m = 0;
  for (double x : v) m = std::max(m, std::fabs(x));
  return m;
}

// The solution of A x = b by a fresh factorisation.
std::vector<double> direct(const LeadProblem& p, const std::vector<double>& b) {
  Cholesky c(p.system);
  c.factorize();
  std::vector<double> x(b.size());
  c.solve(b.data(), x.data(), 1);
  return x;
}

TEST(LeadFieldSuperposition, MontageEqualsDirectSolve) {
  const auto& m = captest::cap_model();
  const std::string h5 = m.dir + "/montage-source.h5";
  const child::Result r = captest::leadfield("'" + m.dir + "' --reference E12 --out '" + h5 + "'");
  ASSERT_EQ(r.status, 0) << r.console;
  MontageOptions o;
  o.file = h5;
  o.model = m.dir;
  o.currents = {{"E1", 1.5}, {"E4", -0.7}, {"E9", 0.25}};
  const MontageField f = montage_field(o);

  // the same currents as one right-hand side, solved and sampled here
  const LeadProblem p = prepare_problem(m.dir, "E12");
  std::vector<double> b(static_cast<std::size_t>(p.system.n), 0.0);
  for (const auto& [name, ma] : o.currents) b[p.system.electrode_dof[std::stoi(name.substr(1)) - 1]] = ma * 1e-3;
  const std::vector<double> x = direct(p, b);
  const Sampling s = locate_points(p.mesh, p.cortex);
  std::vector<float> e(3 * s.element.size());
  PointField(p.mesh, s).field([&](std::int32_t i) { return p.system.dof[i] >= 0 ? x[p.system.dof[i]] : 0.0; },
                              e.data());
  ASSERT_EQ(f.e.size(), e.size());
  std::vector<double> diff(e.size());
  for (std::size_t q = 0; q < e.size(); ++q) diff[q] = f.e[q] - e[q];
  EXPECT_LT(largest(diff), 1e-6 * largest(f.e));
  // every electrode's potential, the reference at 0 and carrying minus the sum
  std::vector<double> vdiff(f.potential.size());
  for (std::size_t k = 0; k + 1 < f.potential.size(); ++k) vdiff[k] = f.potential[k] - x[p.system.electrode_dof[k]];
  EXPECT_LT(largest(vdiff), 1e-6 * largest(f.potential));
  EXPECT_EQ(f.potential.back(), 0.0);
  EXPECT_DOUBLE_EQ(f.current.back(), -1.05);
}

// electrodes.dat reduced to its first and last electrodes.
void keep_two(const std::string& dir, std::vector<std::int32_t>& first, std::vector<std::int32_t>& last) {
  std::istringstream in(testmesh::read_file(dir + "/electrodes.dat"));
  int count = 0;
  in >> count;
  std::vector<std::string> heads;
  std::vector<std::vector<std::int32_t>> nodes;
  // each electrode's header and nodes
  for (int k = 0; k < count; ++k) {
    std::string name;
    double x, y, z, area;
    int n;
    in >> name >> x >> y >> z >> area >> n;
    std::ostringstream head;
    head << name << ' ' << x << ' ' << y << ' ' << z << ' ' << area << ' ' << n;
    heads.push_back(head.str());
    nodes.emplace_back(n);
    for (auto& v : nodes.back()) in >> v;
  }
  first = nodes.front();
  last = nodes.back();
  std::string out = "2\n";
  for (int k : {0, count - 1}) {
    out += heads[k] + "\n";
    for (std::int32_t v : nodes[k]) out += std::to_string(v) + "\n";
  }
  testmesh::write_file(dir + "/electrodes.dat", out);
}

TEST(LeadFieldSuperposition, TwoElectrodesEqualPotsolveScaledToOneMilliampere) {
  const std::string dir = captest::copy_model("leadfield-pair");
  std::vector<std::int32_t> a, b;
  keep_two(dir, a, b);
  // potsolve: the first electrode at 1 V, the last at 0 V
  std::string bcp = std::to_string(a.size() + b.size()) + "\n";
  for (std::int32_t v : a) bcp += std::to_string(v) + " -1\n";
  for (std::int32_t v : b) bcp += std::to_string(v) + " -2\n";
  testmesh::write_file(dir + "/bcp.dat", bcp);
  testmesh::write_file(dir + "/bval.dat", "2\n1.0\n0.0\n");
  const child::Result pot = child::run(BIN_DIR "/potsolve", "", dir);
  ASSERT_EQ(pot.status, 0) << pot.console;
  // POTENT.OUT: the node count, then node number and potential per record
  std::istringstream text(testmesh::read_file(dir + "/POTENT.OUT"));
  std::size_t count = 0;
  text >> count;
  std::vector<double> u(count);
  for (double& v : u) {
    std::size_t node;
    std::string value;
    text >> node >> value;
    v = std::stod(value);
  }

  // the exact current: the unconstrained rows of the held nodes times the potentials
  const Mesh mesh = read_mesh(dir);
  const Conduction k = assemble_conduction(mesh);
  ASSERT_EQ(u.size(), static_cast<std::size_t>(mesh.nnode));
  double current = 0;
  for (std::int32_t i : a)
    for (std::int32_t q = k.irow[i - 1] + 1; q <= k.irow[i]; ++q) current += k.amat[q] * u[k.jcol[q] - 1];
  ASSERT_GT(current, 0.0);

  const child::Result lf = captest::leadfield("'" + dir + "' --reference E12 --nodes");
  ASSERT_EQ(lf.status, 0) << lf.console;
  const H5Reader h5(dir + "/leadfield.h5");
  const std::vector<float> w = h5.floats("/nodes/potential");
  ASSERT_EQ(w.size(), u.size());
  std::vector<double> diff(u.size()), scaled(u.size());
  for (std::size_t i = 0; i < u.size(); ++i) {
    scaled[i] = u[i] * 1e-3 / current;
    diff[i] = w[i] - scaled[i];
  }
  EXPECT_LT(largest(diff), 1e-5 * largest(scaled));
}

// A current dipole p at s: the electrode potentials of a direct solve with the
// partial-integration source p . grad N_i equal -E_k(s) . p per ampere.
TEST(LeadFieldSuperposition, DipolePotentialsByReciprocity) {
  const auto& m = captest::cap_model();
  const LeadProblem p = prepare_problem(m.dir, "E12");
  Cortex at;
  at.points = {12.0f, -20.0f, 45.0f};
  const Sampling s = locate_points(p.mesh, at);
  ASSERT_EQ(s.outside, 0);
  const std::int32_t e = s.element[0];
  const shared::Tetra t = element_shape(p.mesh, e);
  const double dip[3] = {2e-9, -1e-9, 3e-9};  // A m
  std::vector<double> b(static_cast<std::size_t>(p.system.n), 0.0);
  double du[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  for (int c = 0; c < 4; ++c) {
    double g[3];
    shared::gradient(t, du[c], g);
    const std::int32_t d = p.system.dof[p.mesh.ielem[4 * e + c]];
    if (d >= 0) b[d] += dip[0] * g[0] + dip[1] * g[1] + dip[2] * g[2];
  }
  const std::vector<double> x = direct(p, b);

  const Transfer tr = solve_transfer(p, SolverChoice::cholesky, 0.0);
  const std::size_t n = static_cast<std::size_t>(p.system.n);
  std::vector<double> got, want;
  for (std::size_t c = 0; c < tr.driven.size(); ++c) {
    const double* xc = &tr.x[c * n];
    double u[4], g[3];
    for (int q = 0; q < 4; ++q) {
      const std::int32_t d = p.system.dof[p.mesh.ielem[4 * e + q]];
      u[q] = d >= 0 ? xc[d] : 0.0;
    }
    shared::gradient(t, u, g);  // -E_k per unit_current
    got.push_back(x[p.system.electrode_dof[tr.driven[c]]]);
    want.push_back((g[0] * dip[0] + g[1] * dip[1] + g[2] * dip[2]) / unit_current);
  }
  std::vector<double> diff(got.size());
  for (std::size_t c = 0; c < got.size(); ++c) diff[c] = got[c] - want[c];
  EXPECT_LT(largest(diff), 1e-8 * largest(want));
  EXPECT_GT(largest(want), 0.0);
}

}  // namespace
