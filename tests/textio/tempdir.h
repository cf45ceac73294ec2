// A fresh directory of the tests' temporary directories (common/files.h), with
// paths inside it built by dir / "name".
#pragma once

#include <filesystem>
#include <string>

#include "common/files.h"

namespace textio_test {

class TempDir {
 public:
  TempDir() : path_(testmesh::fresh_dir("textio")) {}
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace textio_test
