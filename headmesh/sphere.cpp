#include "headmesh/sphere.h"

#include <gmsh.h>

#include <cmath>

#include "headmesh/error.h"
#include "headmesh/mesh_write.h"

namespace headmesh {

namespace {

constexpr double radius[4] = {80.0, 82.0, 88.0, 92.0};
constexpr int tissue[4] = {2, 3, 4, 5};
constexpr const char* name[4] = {"grey matter", "CSF", "bone", "scalp"};

// The shell whose outer radius the bounding box of an entity shows.
int shell_of(int dim, int tag) {
  double x0, y0, z0, x1, y1, z1;
  gmsh::model::getBoundingBox(dim, tag, x0, y0, z0, x1, y1, z1);
  int best = 0;
  // the nearest of the four radii
  for (int s = 1; s < 4; ++s)
    if (std::fabs(x1 - radius[s]) < std::fabs(x1 - radius[best])) best = s;
  return best;
}

}  // namespace

double size_for_nodes(long n) {
  // measured (element size mm, nodes), coarsest first; between and beyond them
  // the count follows a power of the size through the nearest two
  static constexpr double measured[][2] = {{14.0, 2797}, {10.0, 5945}, {8.0, 9776}, {4.0, 49465}, {3.113, 98920}};
  constexpr int last = 4;
  int k = 0;
  while (k + 1 < last && n > measured[k + 1][1]) ++k;
  const double* a = measured[k];
  const double* b = measured[k + 1];
  const double power = std::log(b[1] / a[1]) / std::log(a[0] / b[0]);
  return a[0] * std::pow(a[1] / static_cast<double>(n), 1.0 / power);
}

SphereSummary make_sphere(const SphereOptions& opt) {
  SphereSummary s;
  s.size = opt.size > 0.0 ? opt.size : size_for_nodes(opt.nodes > 0 ? opt.nodes : 10000);
  if (opt.format != "2.2" && opt.format != "4.1") throw Error("--format must be 2.2 or 4.1");
  if (!(s.size >= 0.5 && s.size <= 20.0)) throw Error("the element size must lie between 0.5 and 20 mm");

  gmsh::model::add("spheres");
  int balls[4];
  for (int k = 0; k < 4; ++k) balls[k] = gmsh::model::occ::addSphere(0, 0, 0, radius[k]);  // one ball per radius
  gmsh::vectorpair shells;
  std::vector<gmsh::vectorpair> parts;
  gmsh::model::occ::fragment({{3, balls[3]}}, {{3, balls[0]}, {3, balls[1]}, {3, balls[2]}}, shells, parts);
  gmsh::model::occ::synchronize();
  gmsh::vectorpair entities;
  gmsh::model::getEntities(entities, 3);
  // every shell volume gets its tissue's tag
  for (const auto& [dim, tag] : entities) {
    const int k = shell_of(dim, tag);
    gmsh::model::addPhysicalGroup(3, {tag}, tissue[k]);
    gmsh::model::setPhysicalName(3, tissue[k], name[k]);
  }
  gmsh::model::getEntities(entities, 2);
  // every sphere surface gets the tag of the shell inside it
  for (const auto& [dim, tag] : entities) {
    const int k = shell_of(dim, tag);
    gmsh::model::addPhysicalGroup(2, {tag}, 1000 + tissue[k]);
    gmsh::model::setPhysicalName(2, 1000 + tissue[k], std::string(name[k]) + " surface");
  }

  gmsh::option::setNumber("Mesh.MeshSizeMin", s.size);
  gmsh::option::setNumber("Mesh.MeshSizeMax", s.size);
  gmsh::option::setNumber("Mesh.MeshSizeFromCurvature", 0);
  const MeshCounts c = mesh_and_write(opt.out, opt.format, opt.binary, "spheres");
  s.nodes = c.nodes;
  s.tetrahedra = c.tetrahedra;
  return s;
}

}  // namespace headmesh
