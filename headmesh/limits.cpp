#include "headmesh/limits.h"

#include <string>

#include "headmesh/error.h"
#include "shared/model_capacity.h"

namespace headmesh {

std::int64_t max_potentials() { return model_files::Capacity{}.potentials; }

void check_capacity(const ModelSize& s) {
  struct Limit {
    const char* what;
    std::int64_t count, cap;
    const char* option;
  };
  const model_files::Capacity cap;
  const Limit limits[] = {
      {"nodes", s.nodes, cap.nodes, "options POTSOLVE_MAXNODE and CORTEXMAP_MAXNODE"},
      {"tetrahedra", s.elements, cap.elements, "options POTSOLVE_MAXELEM and CORTEXMAP_MAXELEM"},
      {"tissues", s.materials, cap.materials, "options POTSOLVE_MAXMAT and CORTEXMAP_MAXMAT"},
      {"stored matrix terms", s.stored_terms, cap.stored_terms, "option POTSOLVE_MAXNZ"},
      {"held nodes", s.boundary_entries, cap.boundary_entries, "option CORTEXMAP_MAXBCP"},
      {"cortex points", s.cortex_points, cap.points, "option CORTEXMAP_MAXPTS"},
      {"cortex triangles", s.cortex_triangles, cap.triangles, "option CORTEXMAP_MAXTRI"},
  };
  // the first count above its capacity
  for (const Limit& l : limits)
    if (l.count > l.cap)
      throw Error("the mesh has " + std::to_string(l.count) + " " + l.what + ", more than the build holds (" +
                  std::to_string(l.cap) + "; raise it with the CMake " + l.option + ")");
}

}  // namespace headmesh
