#include "headmesh/pipeline.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace hmtest {

namespace fs = std::filesystem;

int run(const std::string& dir, const std::string& command) {
  const std::string cmd = "cd '" + dir + "' && " + command + " </dev/null >.console 2>&1";
  const int raw = std::system(cmd.c_str());
  return raw == -1 ? -1 : WEXITSTATUS(raw);
}

std::string program(const std::string& name, const std::string& args) {
  return "'" BIN_DIR "/" + name + "'" + (args.empty() ? "" : " " + args);
}

std::vector<double> numbers(const std::string& path) {
  std::ifstream in(path);
  std::vector<double> v;
  for (double x; in >> x;) v.push_back(x);
  return v;
}

std::vector<double> potentials(const std::string& dir) {
  const std::vector<double> v = numbers(dir + "/POTENT.OUT");
  std::vector<double> u;
  for (std::size_t k = 2; k < v.size(); k += 2) u.push_back(v[k]);  // skip the count and node numbers
  return u;
}

const std::string& test_head() {
  static const std::string path = [] {
    const fs::path dir = fs::path(BIN_DIR).parent_path() / "test-head";
    fs::create_directories(dir);
    const fs::path mesh = dir / "head.msh";
    const int lock = ::open((dir / "lock").c_str(), O_RDWR | O_CREAT, 0644);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) throw std::runtime_error("cannot lock " + dir.string());
    std::error_code ec;
    const auto made = fs::last_write_time(mesh, ec);
    if (ec || made < fs::last_write_time(fs::path(BIN_DIR) / "headmesh")) {
      const int status = run(dir.string(), program("headmesh", "head --binary --out head.msh"));
      if (status != 0) throw std::runtime_error("headmesh head failed: see " + (dir / ".console").string());
    }
    ::close(lock);
    return mesh.string();
  }();
  return path;
}

}  // namespace hmtest
