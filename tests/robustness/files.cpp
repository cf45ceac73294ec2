#include "robustness/files.h"

#include <cstdio>
#include <filesystem>
#include <regex>
#include <stdexcept>

#include "common/meshgen.h"
#include "common/runner.h"

namespace robust {

namespace fs = std::filesystem;

const Files& base_model() {
  static const Files files = [] {
    const std::string dir = testmesh::fresh_dir("robust-base");
    const testmesh::Mesh mesh = testmesh::brick(2, 1, 1, 1000.0f);
    testmesh::Boundary b;
    b.prop = {0.33f, 1.5f};
    b.bval = {1.0f, 0.0f};
    // the face x = 0 at 1, the face x = 2000 at 0, one node marked for the scale
    for (int i = 1; i <= mesh.nnode; ++i) {
      if (mesh.xyz[3 * i] == 0.0f) b.bcp.push_back({i, -1});
      if (mesh.xyz[3 * i] == 2000.0f) b.bcp.push_back({i, -2});
    }
    b.bcp.push_back({2, 1});
    testmesh::write_model(dir, mesh, b);
    const testrun::Result r = testrun::run("potsolve", dir);
    if (r.status != 0) throw std::runtime_error("base model: potsolve failed\n" + r.console);
    Files f = snapshot(dir);
    f["potent.out"] = f.at("POTENT.OUT");
    f.erase("POTENT.OUT");
    f["ele_size.txt"] = "25.0 -2.0\n";
    f["cortex.dat"] = "4 2\n0 0 0\n1000 0 0\n0 1000 0\n500 500 2000\n1 2 3\n2 3 4\n";
    fs::remove_all(dir);
    return f;
  }();
  return files;
}

void put(const std::string& dir, const Files& files) {
  // each file of the set
  for (const auto& [name, text] : files) testmesh::write_file(dir + "/" + name, text);
}

Files snapshot(const std::string& dir) {
  Files out;
  // every entry, files with their bytes
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string rel = fs::relative(e.path(), dir).string();
    out[rel] = e.is_directory() ? "<directory>" : testmesh::read_file(e.path().string());
  }
  return out;
}

std::vector<std::string> messages(const std::string& console) {
  static const std::regex cause("Fatal error|Rejected input|File Not Found|Cannot |does not fit");
  std::vector<std::string> out;
  // the lines that name a cause
  for (const std::string& line : testmesh::lines(console))
    if (std::regex_search(line, cause)) out.push_back(line);
  return out;
}

Run run_sh(const std::string& dir, const std::string& prefix, const std::string& program,
           const std::string& redirect) {
  return child::run(BIN_DIR "/" + program, "", dir, prefix + " timeout 60", redirect);
}

}  // namespace robust
