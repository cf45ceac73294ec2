// leadfield DIR: the transfer matrix of a cap. Every electrode is an
// equipotential conductor, the reference is grounded, and 1 mA enters each
// other electrode in turn and leaves at the reference; the others float.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "leadfield/electrodes_file.h"
#include "leadfield/model_source.h"
#include "leadfield/reduced_system.h"

namespace leadfield {

enum class SolverChoice { automatic, cholesky, iccg };

struct LeadOptions {
  std::string dir;                    // DIR
  std::string reference;              // --reference NAME
  std::string out;                    // --out FILE.h5 (default DIR/leadfield.h5)
  bool nodes = false;                 // --nodes
  SolverChoice solver = SolverChoice::automatic;
  double memory_mib = 0.0;            // --memory MIB: room for the factor (0: the memory available)
};

// The current entering each electrode's right-hand side, in amperes.
constexpr double unit_current = 1e-3;

// The model and its reduced system, ready for right-hand sides.
struct LeadProblem {
  Mesh mesh;
  std::vector<Electrode> cap;
  std::int32_t reference = 0;         // index in cap
  Cortex cortex;
  ReducedSystem system;
  double read_seconds = 0.0, assemble_seconds = 0.0;
};

// Reads DIR, checks the reference name and the connection of every region to
// the reference, assembles and reduces. Throws Error.
LeadProblem prepare_problem(const std::string& dir, const std::string& reference);

// The solution for unit_current into each non-reference electrode k (cap order),
// n unknowns per column one after another, and how it was obtained.
struct Transfer {
  std::vector<std::int32_t> driven;   // cap index of column k
  std::vector<double> x;
  std::string solver, reason;
  double factor_mib = 0.0;
  double max_residual = 0.0;
  double factor_seconds = 0.0, solve_seconds = 0.0;
};

// Solves every right-hand side, announcing the solver, the factorisation and
// the blocks on the console.
Transfer solve_transfer(const LeadProblem& p, SolverChoice choice, double memory_mib);

// Runs the whole sequence and writes the HDF5 file; returns the path written.
std::string run_leadfield(const LeadOptions& o);

}  // namespace leadfield
