// The model directory as leadfield sees it: the mesh, the conductivities, the
// cortical surface and the conduction matrix, taken from the solver's own
// readers and assembly so that the matrix is the one potsolve solves. This is
// the one file that knows where those pieces live.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace leadfield {

// The mesh of a model directory. Nodes and elements are 1-based; entry 0 unused.
struct Mesh {
  float scale = 0.0f;                 // setting.dta: metres per model unit
  std::int32_t nnode = 0, nelem = 0;
  std::vector<float> xyz;             // node i at xyz[3*i..], already times scale (m)
  std::vector<float> unscaled;        // node i as in xyz.dat (model units, mm)
  std::vector<std::int32_t> ielem;    // corners of element e at ielem[4*e..], 1-based
  std::vector<std::int32_t> imat;     // material of element e
  std::vector<float> sigel;           // conductivity of element e (S/m)
};

// The cortical surface of cortex.dat, as read (model units) and 0-based.
struct Cortex {
  std::vector<float> points;          // point p at points[3*p..]
  std::vector<std::int32_t> triangles;  // triangle t at triangles[3*t..], 0-based
};

// The assembled conduction matrix in compressed rows, 1-based as the solver
// keeps it: row i holds positions irow[i-1]+1 .. irow[i] of jcol and amat.
struct Conduction {
  std::int32_t n = 0;
  std::vector<std::int32_t> irow, jcol;
  std::vector<double> amat;
};

// setting.dta (its factor), xyz.dat, elem.dat and prop.dat of dir. Throws Error
// naming the file and record of a missing file or a value out of range.
Mesh read_mesh(const std::string& dir);

// cortex.dat of dir; empty when the file is absent.
Cortex read_cortex(const std::string& dir);

// The matrix potsolve assembles for the mesh, before any fixed potential.
// Throws Error for a flat element or more stored terms than the build holds.
Conduction assemble_conduction(const Mesh& mesh);

// A digest of the model files that define the lead field (setting.dta, xyz.dat,
// elem.dat, prop.dat, electrodes.dat, cortex.dat when present): 16 hex digits.
std::string model_digest(const std::string& dir);

}  // namespace leadfield
