// The solver's tables: the model read from the input files and the sparse
// matrix storage that the later stages work on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capacity.h"

namespace potsolve {

// Capacities (build-time constants generated into capacity.h).
constexpr std::int32_t maxnode = capacity::potsolve_maxnode;
constexpr std::int32_t maxelem = capacity::potsolve_maxelem;
constexpr std::int32_t maxmat = capacity::potsolve_maxmat;
constexpr std::int32_t maxbval = capacity::potsolve_maxbval;
constexpr std::int32_t maxnz = capacity::potsolve_maxnz;

// All tables are 1-based like the node, element and material numbers they are
// indexed by; entry 0 is unused (except irow(0) = 0). Node-indexed tables have
// nnode + 1 entries, element-indexed ones nelem + 1; prop and bval have their
// full capacity + 1 entries, zero where the files gave no value.
struct ModelStore {
  // setting.dta
  std::string datadir = std::string(40, ' ');  // 40 characters, blank-padded
  float scale = 0.0f;
  // The directory a relative datadir is taken from: empty for the working
  // directory (the program), the model directory for read_model_dir.
  std::string home;

  // xyz.dat: coordinates of node i at xyz[3*i + 0..2], already scaled
  std::int32_t nnode = 0;
  std::vector<float> xyz;

  // elem.dat: corners of element e at ielem[4*e + 0..3] (1-based node numbers)
  std::int32_t nelem = 0;
  std::vector<std::int32_t> ielem;
  std::vector<std::int32_t> imat;

  // prop.dat, bval.dat, bcp.dat
  std::vector<float> prop = std::vector<float>(maxmat + 1, 0.0f);
  std::int32_t nbval = 0;
  std::vector<float> bval = std::vector<float>(maxbval + 1, 0.0f);
  std::vector<std::int32_t> bcp;  // boundary code per node; -k holds the node at bval[k]

  // conductivity per element, prop[imat[e]]
  std::vector<float> sigel;

  // Sparse matrix in compressed rows: row i holds positions irow[i-1]+1 .. irow[i]
  // of jcol and amat (1-based positions; entry 0 unused). Both triangles are
  // stored, every row holds its diagonal, columns ascend within a row.
  std::vector<std::int32_t> irow;  // 0 .. n
  std::vector<std::int32_t> jcol;  // 1 .. nnz
  std::vector<double> amat;        // 1 .. nnz
  std::vector<double> rhs;         // 1 .. n
  std::vector<double> pot;         // 1 .. nnode
  std::vector<double> res;         // 1 .. n
};

}  // namespace potsolve
