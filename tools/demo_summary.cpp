#include "demo_summary.h"

#include <fstream>
#include <sstream>

namespace makemodel {

SolveReport read_solve_log(const std::string& path) {
  SolveReport r;
  std::ifstream f(path);
  std::string line;
  // the last progress record wins
  while (std::getline(f, line)) {
    if (line.find("ICCG iteration terminated.") != std::string::npos) r.converged = true;
    const auto at = line.find("|Ax-b|/|b| =");
    if (at == std::string::npos) continue;
    std::istringstream head(line.substr(0, at)), tail(line.substr(at + 12));
    int it = 0;
    double rel = 0.0;
    if (head >> it && tail >> rel) {
      r.found = true;
      r.iterations = it;
      r.residual = rel;
    }
  }
  return r;
}

FieldStats read_cortexfield(const std::string& path) {
  FieldStats s;
  std::ifstream f(path);
  std::string line;
  double sum = 0.0, upper = 0.0, lower = 0.0;
  long nupper = 0, nlower = 0;
  // the point records are the lines of six values; the triangles have three
  while (std::getline(f, line)) {
    std::istringstream in(line);
    double v[6];
    int n = 0;
    while (n < 6 && in >> v[n]) ++n;
    if (n < 6) continue;
    const double j = v[4];
    if (s.points == 0 || j > s.max) s.max = j;
    ++s.points;
    sum += j;
    if (v[2] > 0) upper += j, ++nupper;
    if (v[2] < 0) lower += j, ++nlower;
  }
  if (s.points > 0) s.mean = sum / s.points;
  if (nupper > 0) s.mean_upper = upper / nupper;
  if (nlower > 0) s.mean_lower = lower / nlower;
  return s;
}

}  // namespace makemodel
