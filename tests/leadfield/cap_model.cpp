#include "cap_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

#include <unistd.h>

#include "common/files.h"

namespace captest {

namespace {

// Points spread evenly over a sphere (a golden-angle spiral), z from top to bottom.
std::vector<std::array<double, 3>> spiral(int count, double radius, double zmin) {
  std::vector<std::array<double, 3>> p;
  for (int k = 0; k < count; ++k) {
    const double z = 1.0 - (1.0 - zmin) * (k + 0.5) / count;
    const double r = std::sqrt(1.0 - z * z), phi = k * std::numbers::pi * (3.0 - std::sqrt(5.0));
    p.push_back({radius * r * std::cos(phi), radius * r * std::sin(phi), radius * z});
  }
  return p;
}

// The cap and the positions of its electrodes.
CapModel positions() {
  CapModel m;
  m.centres = spiral(12, radii.back(), -0.3);
  for (std::size_t k = 0; k < m.centres.size(); ++k) m.names.push_back("E" + std::to_string(k + 1));
  return m;
}

// Makes the model in dir (mesh, import, cortex).
void make(const CapModel& m, const std::string& dir) {
  const child::Result mesh = child::run(BIN_DIR "/headmesh", "sphere --out sphere.msh --nodes 45000", dir);
  EXPECT_EQ(mesh.status, 0) << mesh.console;
  // the cap: twelve electrodes over the upper part of the head, and a fiducial row to skip
  std::string csv = "Fiducial,0,92,0,Nz\n";
  for (std::size_t k = 0; k < m.centres.size(); ++k) {
    const auto& c = m.centres[k];
    csv += (k % 2 ? "Electrode," : m.names[k] + ",") + std::to_string(c[0]) + "," + std::to_string(c[1]) + "," +
           std::to_string(c[2]) + (k % 2 ? "," + m.names[k] : "") + "\n";
  }
  testmesh::write_file(dir + "/cap.csv", csv);
  const child::Result import = child::run(BIN_DIR "/headmesh", "import sphere.msh --out model --positions cap.csv", dir);
  EXPECT_EQ(import.status, 0) << import.console;
  // the cortex: a sphere of points well inside the brain, away from the electrodes
  const auto points = spiral(300, cortex_radius, -1.0);
  std::string cortex = std::to_string(points.size()) + " 0\n";
  for (const auto& p : points) cortex += std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]) + "\n";
  testmesh::write_file(dir + "/model/cortex.dat", cortex);
}

CapModel made_once() {
  namespace fs = std::filesystem;
  CapModel m = positions();
  // one model per build of headmesh, shared by the test processes: made aside,
  // then renamed into place (a process that loses the race takes the winner's)
  const auto stamp = fs::last_write_time(BIN_DIR "/headmesh").time_since_epoch().count();
  const std::string home = BIN_DIR "/../test-models/leadfield-cap-" + std::to_string(stamp);
  if (!fs::exists(home + "/model/cortex.dat")) {
    const std::string dir = home + ".making-" + std::to_string(::getpid());
    fs::remove_all(dir);
    fs::create_directories(dir);
    make(m, dir);
    std::error_code ec;
    fs::rename(dir, home, ec);
    if (ec) fs::remove_all(dir);
  }
  m.dir = fs::canonical(home + "/model").string();
  return m;
}

}  // namespace

const CapModel& cap_model() {
  static const CapModel m = made_once();
  return m;
}

std::string copy_model(const std::string& tag) {
  const std::string dir = testmesh::fresh_dir(tag);
  for (const auto& f : std::filesystem::directory_iterator(cap_model().dir))
    if (f.path().extension() != ".h5") std::filesystem::copy(f.path(), dir + "/" + f.path().filename().string());
  return dir;
}

child::Result leadfield(const std::string& args, const std::string& dir, const std::string& prefix) {
  return child::run(BIN_DIR "/leadfield", args, dir, prefix);
}

}  // namespace captest
