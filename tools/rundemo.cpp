// rundemo: the whole pipeline on the sample head model, without console input.
//
//   rundemo [--size demo] [--dir DIR] [--bin DIR]
//
// Writes the four-shell sphere (makemodel) into DIR, runs potsolve and then
// cortexmap there with standard input from /dev/null, so that no pause can
// wait, and prints where the results are with a short summary. Exit status 0
// when both programs succeeded, otherwise the first failing status.
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "demo_summary.h"

namespace {

std::string shell_quoted(const std::string& s) {
  std::string q = "'";
  // close the quotes around every quote inside
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs a shell command; the exit status, or 128 + signal when it was killed.
int shell(const std::string& cmd) {
  const int raw = std::system(cmd.c_str());
  if (raw == -1) return 127;
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  return WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : 127;
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Runs one program in dir with its console captured in log.
int step(const std::string& bin, const std::string& program, const std::string& dir, const std::string& log) {
  const auto t0 = std::chrono::steady_clock::now();
  const int status = shell("cd " + shell_quoted(dir) + " && " + shell_quoted(bin + "/" + program) + " < /dev/null > " +
                           shell_quoted(log) + " 2>&1");
  std::printf("  %-10s exit status %d, %.2f s, console in %s/%s\n", program.c_str(), status, seconds_since(t0),
              dir.c_str(), log.c_str());
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::string size = "demo", dir = "demo", bin = fs::path(argv[0]).parent_path().string();
  // the options
  for (int a = 1; a < argc; ++a) {
    const std::string arg = argv[a];
    if (arg == "--help" || arg == "-h") {
      std::puts("usage: rundemo [--size tiny|demo|full] [--dir DIR] [--bin DIR]");
      return 0;
    }
    if (a + 1 >= argc || (arg != "--size" && arg != "--dir" && arg != "--bin")) {
      std::fprintf(stderr, "rundemo: unknown or incomplete option '%s' (see --help)\n", arg.c_str());
      return 1;
    }
    (arg == "--size" ? size : arg == "--dir" ? dir : bin) = argv[++a];
  }
  if (bin.empty()) bin = ".";
  dir = fs::absolute(dir).lexically_normal().string();
  bin = fs::absolute(bin).lexically_normal().string();
  const auto t0 = std::chrono::steady_clock::now();

  std::printf("headfield demo: four-shell sphere (%s size) in %s\n", size.c_str(), dir.c_str());
  std::fflush(stdout);
  int status = shell(shell_quoted(bin + "/makemodel") + " sphere --size " + shell_quoted(size) + " --out " + shell_quoted(dir));
  if (status != 0) {
    std::fprintf(stderr, "rundemo: makemodel failed with exit status %d\n", status);
    return status;
  }
  std::fflush(stdout);
  if ((status = step(bin, "potsolve", dir, "potsolve.log")) != 0) return status;
  std::fflush(stdout);
  if ((status = step(bin, "cortexmap", dir, "cortexmap.log")) != 0) return status;

  const auto solve = makemodel::read_solve_log(dir + "/potsolve.log");
  const auto field = makemodel::read_cortexfield(dir + "/cortexfield.out");
  if (!solve.found || field.points == 0) {
    std::fprintf(stderr, "rundemo: the results cannot be read back\n");
    return 1;
  }
  std::printf("\nResults in %s:\n"
              "  POTENT.OUT        potential of every node (V)\n"
              "  cortexfield.out   per cortical point: x y z (mm), |E| (V/m), |J| (A/m^2), power (W/m^3)\n"
              "  cortexfield.tec   the same as a Tecplot zone\n"
              "  cortexfield.ply   cortex coloured by current density (ParaView, MeshLab)\n\n",
              dir.c_str());
  std::printf("ICCG: %d iterations, relative residual %.7E%s\n", solve.iterations, solve.residual,
              solve.converged ? "" : " (not converged)");
  std::printf("Cortical current density over %ld points: max %.4g A/m^2, mean %.4g A/m^2\n", field.points, field.max,
              field.mean);
  std::printf("  mean on the anode side (z > 0) %.4g, on the cathode side (z < 0) %.4g A/m^2\n", field.mean_upper,
              field.mean_lower);
  std::printf("Demo finished in %.1f s\n", seconds_since(t0));
  return 0;
}
