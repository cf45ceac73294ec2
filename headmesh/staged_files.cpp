#include "headmesh/staged_files.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "headmesh/error.h"
#include "textio/temporaries.h"

namespace headmesh {

namespace fs = std::filesystem;

StagedFiles::~StagedFiles() {
  // whatever was not published goes
  for (const File& f : files_) {
    std::remove(f.temp.c_str());
    textio::drop_temporary(f.slot);
  }
}

std::string StagedFiles::add(const std::string& target) {
  const fs::path p(target);
  const std::string ext = p.extension().string();
  std::string temp = (p.parent_path() / (p.stem().string() + ".XXXXXX" + ext)).string();
  int slot = -1;
  const int fd = textio::create_temporary(temp, slot, static_cast<int>(ext.size()));
  if (fd < 0) throw Error("cannot write " + target + ": " + std::strerror(errno));
  close(fd);  // the writer opens it by name
  files_.push_back({target, temp, slot});
  return files_.back().temp;
}

std::vector<std::string> StagedFiles::publish() {
  std::vector<std::string> targets;
  // every target one that a rename can replace, before any is replaced
  for (const File& f : files_)
    if (fs::is_directory(f.target)) throw Error("cannot replace " + f.target + ": it is a directory");
  // then all renamed, or none
  std::vector<textio::Replacement> group;
  for (const File& f : files_) group.push_back({f.temp, f.target});
  const int failed = textio::replace_together(group);
  if (failed >= 0) throw Error("cannot replace " + files_[failed].target + ": " + std::strerror(errno));
  for (const File& f : files_) {
    targets.push_back(f.target);
    textio::drop_temporary(f.slot);
  }
  files_.clear();
  return targets;
}

}  // namespace headmesh
