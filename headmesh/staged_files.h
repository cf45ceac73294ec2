// Output files that belong together, written whole or not at all: each is
// written under a fresh temporary name beside its target (created exclusively,
// so no existing file or link is ever opened, and removed by a signal that ends
// the run), and all are renamed over their targets, all or none, only when
// every one is complete.
#pragma once

#include <string>
#include <vector>

namespace headmesh {

class StagedFiles {
 public:
  StagedFiles() = default;
  StagedFiles(const StagedFiles&) = delete;
  StagedFiles& operator=(const StagedFiles&) = delete;
  // Removes the temporaries of files not published (a failed export).
  ~StagedFiles();

  // Reserves the temporary of target and returns its name, to be written by the
  // caller's writer. The temporary keeps the target's extension, by which gmsh
  // chooses its format.
  std::string add(const std::string& target);
  // Renames every temporary over its target; returns the targets.
  std::vector<std::string> publish();

 private:
  struct File {
    std::string target, temp;
    int slot;  // where a signal finds the temporary
  };
  std::vector<File> files_;
};

}  // namespace headmesh
