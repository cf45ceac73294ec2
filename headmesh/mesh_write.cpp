#include "headmesh/mesh_write.h"

#include <gmsh.h>

#include <vector>

#include "headmesh/error.h"
#include "headmesh/gmsh_session.h"
#include "headmesh/mesh_file_check.h"
#include "headmesh/staged_files.h"

namespace headmesh {

MeshCounts mesh_and_write(const std::string& out, const std::string& format, bool binary, const std::string& what) {
  if (format != "2.2" && format != "4.1") throw Error("--format must be 2.2 or 4.1");
  gmsh::option::setNumber("Mesh.Algorithm3D", 1);
  try {
    gmsh::model::mesh::generate(3);
  } catch (...) {
    throw Error(gmsh_error("gmsh could not mesh the " + what));
  }
  MeshCounts c;
  std::vector<std::size_t> tags, tets, nodes;
  std::vector<double> xyz, param;
  gmsh::model::mesh::getNodes(nodes, xyz, param, -1, -1, false, false);
  gmsh::model::mesh::getElementsByType(4, tets, tags);
  c.nodes = nodes.size();
  c.tetrahedra = tets.size();

  gmsh::option::setNumber("Mesh.MshFileVersion", std::stod(format));
  gmsh::option::setNumber("Mesh.Binary", binary ? 1 : 0);
  // written under a fresh name and read back whole as import reads a mesh (gmsh
  // does not report a failed write), then renamed over the target
  StagedFiles file;
  const std::string temp = file.add(out);
  try {
    gmsh::write(temp);
  } catch (...) {
    throw Error(gmsh_error("cannot write " + out));
  }
  try {
    check_mesh_file(temp);
  } catch (const Error&) {
    throw Error("cannot write " + out + ": the file came out incomplete (is the disk full, or a file size limited?)");
  }
  file.publish();
  return c;
}

}  // namespace headmesh
