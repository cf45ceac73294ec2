#include "common/runner.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testrun {

Result run(const std::string& program, const std::string& dir, const std::string& input) {
  const std::string in = dir + "/.stdin", out = dir + "/.console";
  {
    std::ofstream f(in, std::ios::binary);
    f << input;
  }
  const std::string cmd = "cd '" + dir + "' && '" BIN_DIR "/" + program + "' < '" + in +
                          "' > '" + out + "' 2>&1";
  const int raw = std::system(cmd.c_str());
  Result r;
  if (raw != -1 && WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
  std::ifstream f(out, std::ios::binary);
  std::ostringstream ss;
  ss << f.rdbuf();
  r.console = ss.str();
  std::remove(in.c_str());
  std::remove(out.c_str());
  return r;
}

}  // namespace testrun
