#include "validation/pipeline.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/meshgen.h"
#include "common/runner.h"

namespace validation {

Output run_tool(const std::string& program, const std::string& args) {
  return child::run(BIN_DIR "/" + program, args);
}

std::string make_model(const std::string& tag, const std::string& args, std::string* console) {
  const std::string dir = testmesh::fresh_dir(tag);
  const Output out = run_tool("makemodel", args + " --out '" + dir + "'");
  EXPECT_EQ(out.status, 0) << out.console;
  if (console) *console = out.console;
  return dir;
}

void tidy(const std::string& dir) {
  if (!::testing::Test::HasFailure()) std::filesystem::remove_all(dir);
}

Runs solve_and_map(const std::string& dir) {
  Runs r;
  r.potsolve = testrun::run("potsolve", dir);
  r.cortexmap = testrun::run("cortexmap", dir);
  return r;
}

namespace {

// The records of a file after its count record, split into values.
std::vector<std::vector<double>> records(const std::string& path, bool skip_count) {
  std::istringstream in(testmesh::read_file(path));
  std::vector<std::vector<double>> rows;
  std::string line;
  if (skip_count) std::getline(in, line);
  // one row of values per line
  while (std::getline(in, line)) {
    std::istringstream ls(line);
    std::vector<double> row;
    for (double v; ls >> v;) row.push_back(v);
    if (!row.empty()) rows.push_back(row);
  }
  return rows;
}

}  // namespace

std::vector<std::array<double, 3>> read_nodes(const std::string& dir) {
  std::vector<std::array<double, 3>> xyz;
  // node number, then x y z
  for (const auto& r : records(dir + "/xyz.dat", true))
    if (r.size() >= 4) xyz.push_back({r[1], r[2], r[3]});
  return xyz;
}

std::vector<double> read_potentials(const std::string& dir) {
  std::string path = dir + "/POTENT.OUT";
  if (!std::filesystem::exists(path)) path = dir + "/potent.out";
  std::vector<double> u;
  // node number, then the potential
  for (const auto& r : records(path, true))
    if (r.size() >= 2) u.push_back(r[1]);
  return u;
}

std::vector<Sample> read_samples(const std::string& dir) {
  std::vector<Sample> s;
  // the point records hold six values, the triangle records three
  for (const auto& r : records(dir + "/cortexfield.out", false))
    if (r.size() == 6) s.push_back({r[0], r[1], r[2], r[3], r[4], r[5]});
  return s;
}

Means mean_current(const std::vector<Sample>& s) {
  Means m;
  int nu = 0, nl = 0;
  // sums over all points and over either hemisphere
  for (const auto& p : s) {
    m.all += p.j;
    if (p.z > 0) m.upper += p.j, ++nu;
    if (p.z < 0) m.lower += p.j, ++nl;
  }
  if (!s.empty()) m.all /= static_cast<double>(s.size());
  if (nu) m.upper /= nu;
  if (nl) m.lower /= nl;
  return m;
}

int last_iteration(const std::string& console, double* residual) {
  std::istringstream in(console);
  std::string line;
  int it = -1;
  // the last progress record "  iter  |Ax-b|/|b| = rel"
  while (std::getline(in, line)) {
    const auto at = line.find("|Ax-b|/|b| =");
    if (at == std::string::npos) continue;
    it = std::atoi(line.substr(0, at).c_str());
    if (residual) *residual = std::strtod(line.substr(at + 12).c_str(), nullptr);
  }
  return it;
}

}  // namespace validation
