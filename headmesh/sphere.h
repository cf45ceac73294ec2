// headmesh sphere: a nested-sphere head mesh made with gmsh, for tests and
// benchmarks. Brain (volume tag 2, radius 80 mm), CSF (3, 82 mm), bone (4,
// 88 mm) and scalp (5, 92 mm); the outer boundary of the shell with volume tag
// t carries the surface tag 1000 + t.
#pragma once

#include <cstddef>
#include <string>

namespace headmesh {

struct SphereOptions {
  std::string out;             // --out FILE.msh
  double size = 0.0;           // --size mm (the element edge); 0: from nodes
  long nodes = 0;              // --nodes N: about N nodes
  std::string format = "4.1";  // --format 2.2 | 4.1
  bool binary = false;         // --binary
};

struct SphereSummary {
  double size = 0.0;
  std::size_t nodes = 0, tetrahedra = 0;
};

// The element size that gives about n nodes (a fit of measured meshes).
double size_for_nodes(long n);

// Meshes the spheres and writes out; the same options give the same file.
// Throws Error. Needs a GmshSession.
SphereSummary make_sphere(const SphereOptions& opt);

}  // namespace headmesh
