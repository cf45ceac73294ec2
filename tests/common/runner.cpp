#include "common/runner.h"

#include <cstdio>

#include "common/meshgen.h"

namespace testrun {

Result run(const std::string& program, const std::string& dir, const std::string& input) {
  const std::string in = dir + "/.stdin";
  testmesh::write_file(in, input);
  Result r = child::run(BIN_DIR "/" + program, "", dir, "", "< .stdin");
  std::remove(in.c_str());
  return r;
}

}  // namespace testrun
