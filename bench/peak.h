// Whole runs of the built programs as child processes: wall time, exit status
// and peak resident set.
#pragma once

#include <string>

namespace bench {

struct ChildRun {
  int status = -1;       // exit status, -1 when it did not exit normally
  double seconds = 0.0;  // wall time
  double maxrss = 0.0;   // peak resident set in bytes
  double cpu = 0.0;      // user and system seconds
};

// A small helper process forked while the benchmark is still small. A child
// forked from a large process would inherit its peak resident set (the peak is
// kept across exec), so the programs are started from the helper instead.
class Spawner {
 public:
  Spawner();   // call before the benchmark allocates its models
  ~Spawner();
  Spawner(const Spawner&) = delete;
  Spawner& operator=(const Spawner&) = delete;

  // Runs program in dir with standard input and output on /dev/null, with
  // HEADFIELD_THREADS=threads (not set when threads is empty).
  ChildRun run(const std::string& program, const std::string& dir, const std::string& threads = "");

 private:
  int to_helper_ = -1, from_helper_ = -1;
  int pid_ = -1;
};

}  // namespace bench
