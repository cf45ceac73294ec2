// Reading the results of a run back for a short summary.
#pragma once

#include <string>

namespace makemodel {

// The solver's last progress record: "   150  |Ax-b|/|b| = 0.1234567E-14".
struct SolveReport {
  bool found = false;
  int iterations = 0;
  double residual = 0.0;  // relative residual |Ax-b|/|b| at that test
  bool converged = false; // the console says " ICCG iteration terminated."
};
SolveReport read_solve_log(const std::string& path);

// Column 5 (current density, A/m^2) of the point records of cortexfield.out.
struct FieldStats {
  long points = 0;
  double max = 0.0;
  double mean = 0.0;
  double mean_upper = 0.0;  // mean over the points with z > 0 (the anode side)
  double mean_lower = 0.0;  // mean over the points with z < 0
};
FieldStats read_cortexfield(const std::string& path);

}  // namespace makemodel
