// Running the built programs in a directory, as a user's script would.
#pragma once

#include <string>

namespace testrun {

struct Result {
  int status = -1;      // exit status, or -1 when the program did not exit normally
  std::string console;  // standard output and error
};

// Runs BIN_DIR/<program> in dir with the given standard input (none: /dev/null).
Result run(const std::string& program, const std::string& dir, const std::string& input = "");

}  // namespace testrun
