// headmesh head: an anatomical-like head mesh made with gmsh, for tests,
// benchmarks and pictures. Five nested tissues with the standard tags: scalp
// (5), bone (4) of varying thickness, CSF (3), grey matter (2) whose outer
// surface is folded by narrow sulci, and white matter (1) under it; the head
// is cut flat below (z = -40 mm), as real head meshes end at the neck.
// Millimetres, x to the right, y to the front, z up.
#pragma once

#include <cstddef>
#include <string>

namespace headmesh {

struct HeadOptions {
  std::string out;             // --out FILE.msh
  double size = 3.2;           // --size mm: the element edge at the cortex
  std::string format = "4.1";  // --format 2.2 | 4.1
  bool binary = false;         // --binary
};

struct HeadSummary {
  std::size_t nodes = 0, tetrahedra = 0, sulci = 0;
};

// Builds and meshes the head and writes out; the same options give the same
// file. Throws Error. Needs a GmshSession.
HeadSummary make_head(const HeadOptions& opt);

}  // namespace headmesh
