#include "robustness/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <stdexcept>

#include "common/runner.h"
#include "common/small_model.h"

namespace robust {

namespace fs = std::filesystem;

const Files& base_model() {
  static const Files files = [] {
    const std::string dir = testmesh::fresh_dir("robust-base");
    Files f;
    // the small model's inputs; its potentials are the solver's, computed below
    for (const smallmodel::File& file : smallmodel::files)
      if (std::string(file.name) != "potent.out") f[file.name] = file.text;
    put(dir, f);
    const testrun::Result r = testrun::run("potsolve", dir);
    if (r.status != 0) throw std::runtime_error("base model: potsolve failed\n" + r.console);
    f = snapshot(dir);
    f["potent.out"] = f.at("POTENT.OUT");
    f.erase("POTENT.OUT");
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

int start_quiet(const std::string& dir, const std::vector<std::string>& argv) {
  const std::string path = std::string(BIN_DIR "/") + argv.at(0);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (chdir(dir.c_str()) == 0) execv(path.c_str(), args.data());
    _exit(127);
  }
  return pid;
}

}  // namespace robust
