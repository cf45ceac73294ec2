#include "headmesh/gmsh_session.h"

#include <gmsh.h>

namespace headmesh {

GmshSession::GmshSession() {
  gmsh::initialize(0, nullptr, false);
  gmsh::option::setNumber("General.Terminal", 0);
  gmsh::option::setNumber("General.Verbosity", 0);
  gmsh::option::setNumber("General.NumThreads", 1);
}

GmshSession::~GmshSession() { gmsh::finalize(); }

std::string gmsh_error(const std::string& what) {
  std::string last;
  try {
    gmsh::logger::getLastError(last);
  } catch (...) {
    last.clear();
  }
  return last.empty() ? what : what + ": " + last;
}

}  // namespace headmesh
