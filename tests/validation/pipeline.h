// Running makemodel, potsolve and cortexmap on generated models and reading
// their results back, for the validation tests.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "tools/child.h"

namespace validation {

using Output = child::Result;

// Runs BIN_DIR/<program> with the given arguments (already quoted for the
// shell) and standard input from /dev/null.
Output run_tool(const std::string& program, const std::string& args);

// Writes a model with makemodel into a fresh directory and returns it; the
// makemodel console is kept in *console when given. Fails the test (fatally)
// when makemodel does not succeed.
std::string make_model(const std::string& tag, const std::string& args, std::string* console = nullptr);

// Removes a model directory unless the test has failed (then it stays to look at).
void tidy(const std::string& dir);

// potsolve then cortexmap in dir, each with no console input; their consoles.
struct Runs {
  Output potsolve, cortexmap;
};
Runs solve_and_map(const std::string& dir);

// Node coordinates of xyz.dat as written (mm).
std::vector<std::array<double, 3>> read_nodes(const std::string& dir);
// The potentials of the solver's output file (node order).
std::vector<double> read_potentials(const std::string& dir);

// One point record of cortexfield.out.
struct Sample {
  double x, y, z;  // as in cortex.dat (mm)
  double e, j, p;  // field (V/m), current density (A/m^2), power density (W/m^3)
};
std::vector<Sample> read_samples(const std::string& dir);

// The mean current density over the samples, and over those with z > 0 and z < 0.
struct Means {
  double all = 0, upper = 0, lower = 0;
};
Means mean_current(const std::vector<Sample>& s);

// The last relative residual and iteration of a solver console; -1 when none.
int last_iteration(const std::string& console, double* residual = nullptr);

}  // namespace validation
