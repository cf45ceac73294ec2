#include "headmesh/meshes.h"

#include <gmsh.h>

#include <vector>

#include "headmesh/gmsh_session.h"
#include "headmesh/sphere.h"

namespace hmtest {

namespace {

// A mesh of one element of the given gmsh type on the unit corner nodes,
// in a discrete entity of dimension dim with the physical tag, written to path.
std::string one_element(const std::string& path, int dim, int type, const std::vector<double>& xyz, int tag = 1) {
  const headmesh::GmshSession session;
  gmsh::model::add("one");
  const int entity = gmsh::model::addDiscreteEntity(dim);
  std::vector<std::size_t> nodes(xyz.size() / 3);
  for (std::size_t i = 0; i < nodes.size(); ++i) nodes[i] = i + 1;  // node tags from 1
  gmsh::model::mesh::addNodes(dim, entity, nodes, xyz);
  gmsh::model::mesh::addElementsByType(entity, type, {1}, nodes);
  gmsh::model::addPhysicalGroup(dim, {entity}, tag);
  gmsh::write(path);
  return path;
}

}  // namespace

std::vector<std::string> sphere_meshes(const std::string& dir, double size) {
  headmesh::SphereOptions o;
  o.out = dir + "/sphere-4.1.msh";
  o.size = size;
  const headmesh::GmshSession session;
  headmesh::make_sphere(o);
  std::vector<std::string> paths{o.out};
  const std::pair<double, int> formats[3] = {{4.1, 1}, {2.2, 0}, {2.2, 1}};
  // the same mesh again in the other three formats
  for (const auto& [version, binary] : formats) {
    paths.push_back(dir + "/sphere-" + (version > 3 ? "4.1" : "2.2") + (binary ? "-bin" : "") + ".msh");
    gmsh::option::setNumber("Mesh.MshFileVersion", version);
    gmsh::option::setNumber("Mesh.Binary", binary);
    gmsh::write(paths.back());
  }
  return paths;
}

std::string tag42_mesh(const std::string& dir) {
  return one_element(dir + "/tag42.msh", 3, 4, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1}, 42);
}

std::string second_order_mesh(const std::string& dir) {
  // corners, then the mid-edge nodes 01, 12, 20, 03, 23, 13 in gmsh's order
  return one_element(dir + "/second-order.msh", 3, 11,
                     {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, .5, 0, 0, .5, .5, 0, 0, .5, 0, 0, 0, .5, 0, .5, .5, .5, 0, .5});
}

std::string hexahedron_mesh(const std::string& dir) {
  return one_element(dir + "/hexahedron.msh", 3, 5,
                     {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1});
}

std::string surface_only_mesh(const std::string& dir) {
  return one_element(dir + "/surface.msh", 2, 2, {0, 0, 0, 1, 0, 0, 0, 1, 0});
}

}  // namespace hmtest
