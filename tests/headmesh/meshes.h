// Meshes for the headmesh tests, made with gmsh's API: the nested spheres in
// every .msh format, and small meshes that the import must reject.
#pragma once

#include <string>
#include <vector>

namespace hmtest {

// The nested-sphere head (volume tags 2..5, surface tags 1002..1005) meshed
// once by gmsh and written in the formats 4.1 ASCII, 4.1 binary, 2.2 ASCII and
// 2.2 binary, in that order.
std::vector<std::string> sphere_meshes(const std::string& dir, double size);

// One first-order tetrahedron with the volume tag 42.
std::string tag42_mesh(const std::string& dir);
// One tetrahedron of second order (volume tag 1).
std::string second_order_mesh(const std::string& dir);
// One hexahedron (volume tag 1).
std::string hexahedron_mesh(const std::string& dir);
// One triangle (surface tag 1) and no volume element.
std::string surface_only_mesh(const std::string& dir);

}  // namespace hmtest
