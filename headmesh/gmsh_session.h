// The gmsh library's lifetime: initialised quietly on a single thread, so that
// meshing is repeatable, and finalised when the session ends.
#pragma once

#include <string>

namespace headmesh {

class GmshSession {
 public:
  GmshSession();
  ~GmshSession();
  GmshSession(const GmshSession&) = delete;
  GmshSession& operator=(const GmshSession&) = delete;
};

// The last error gmsh logged, or what when it logged none.
std::string gmsh_error(const std::string& what);

}  // namespace headmesh
