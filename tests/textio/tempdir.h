// A fresh directory under the system's temporary directory, removed with its
// contents at the end of the test (whole files: common/meshgen.h).
#pragma once

#include <filesystem>
#include <random>
#include <string>

#include "common/meshgen.h"

namespace textio_test {

class TempDir {
 public:
  TempDir() : path_(std::filesystem::temp_directory_path() / ("textio_test_" + std::to_string(std::random_device()()))) {
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_, ec_); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::error_code ec_;
};

}  // namespace textio_test
