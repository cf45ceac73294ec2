// Running a program as a child process through sh, as a user's script would:
// the one runner of the tests, rundemo and the bench.
#pragma once

#include <string>

namespace child {

struct Result {
  int status = -1;       // exit status, 128 + signal when killed, -1 when not started
  std::string console;   // standard output and error, captured through a pipe
  double seconds = 0.0;  // wall time
  double maxrss = 0.0;   // peak resident set of the child in bytes
  double cpu = 0.0;      // processor time of the child, user and system, in seconds
};

// Runs "cd DIR && PREFIX 'PROGRAM' ARGS INPUT 2>&1" under /bin/sh and waits for it:
//   program - path of the executable (quoted here)
//   args    - its arguments, already quoted for the shell
//   dir     - working directory; empty: the current one
//   prefix  - shell words before the program ("ulimit -f 1;", "timeout 60")
//   input   - redirections of the program, standard input first
Result run(const std::string& program, const std::string& args = "", const std::string& dir = "",
           const std::string& prefix = "", const std::string& input = "</dev/null");

// s in single quotes for the shell.
std::string quoted(const std::string& s);

}  // namespace child
