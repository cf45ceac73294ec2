#include "common/files.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace testmesh {

void write_file(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << text;
}

std::string read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return {};
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

namespace {

// The directories made by fresh_dir, removed when the test program ends.
struct TempDirs {
  std::vector<std::filesystem::path> dirs;
  ~TempDirs() {
    std::error_code ec;
    for (const auto& d : dirs) std::filesystem::remove_all(d, ec);
  }
};

}  // namespace

std::string fresh_dir(const std::string& tag) {
  static TempDirs made;
  const auto base = std::filesystem::temp_directory_path() /
                    ("headfield-" + tag + "-" + std::to_string(::getpid()) + "-" +
                     std::to_string(made.dirs.size() + 1));
  std::filesystem::remove_all(base);
  std::filesystem::create_directories(base);
  made.dirs.push_back(base);
  return base.string();
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  // one entry per line
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

}  // namespace testmesh
