// rundemo: the whole pipeline on the sample head model, without console input.
//
//   rundemo [--size demo] [--dir DIR] [--bin DIR]
//
// Writes the four-shell sphere (makemodel) into DIR, runs potsolve and then
// cortexmap there with standard input from /dev/null, so that no pause can
// wait, and prints where the results are with a short summary. Exit status 0
// when both programs succeeded, otherwise the first failing status.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "child.h"
#include "demo_summary.h"

namespace {

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Runs one program in dir with its console written to the file log there.
int step(const std::string& bin, const std::string& program, const std::string& dir, const std::string& log) {
  const child::Result r = child::run(bin + "/" + program, "", dir);
  std::ofstream(dir + "/" + log, std::ios::binary) << r.console;
  std::printf("  %-10s exit status %d, %.2f s, console in %s/%s\n", program.c_str(), r.status, r.seconds,
              dir.c_str(), log.c_str());
  return r.status;
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
  const child::Result made =
      child::run(bin + "/makemodel", "sphere --size " + child::quoted(size) + " --out " + child::quoted(dir));
  std::fputs(made.console.c_str(), stdout);
  int status = made.status;
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
