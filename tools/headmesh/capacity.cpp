#include "headmesh/capacity.h"

#include <algorithm>
#include <string>

#include "headmesh/error.h"

namespace headmesh {

std::int64_t max_potentials() { return std::min<std::int64_t>(POTSOLVE_MAXBVAL, CORTEXMAP_MAXBVAL); }

void check_capacity(const ModelSize& s) {
  struct Limit {
    const char* what;
    std::int64_t count, cap;
    const char* option;
  };
  const Limit limits[] = {
      {"nodes", s.nodes, std::min<std::int64_t>(POTSOLVE_MAXNODE, CORTEXMAP_MAXNODE), "options POTSOLVE_MAXNODE and CORTEXMAP_MAXNODE"},
      {"tetrahedra", s.elements, std::min<std::int64_t>(POTSOLVE_MAXELEM, CORTEXMAP_MAXELEM), "options POTSOLVE_MAXELEM and CORTEXMAP_MAXELEM"},
      {"tissues", s.materials, std::min<std::int64_t>(POTSOLVE_MAXMAT, CORTEXMAP_MAXMAT), "options POTSOLVE_MAXMAT and CORTEXMAP_MAXMAT"},
      {"stored matrix terms", s.stored_terms, POTSOLVE_MAXNZ, "option POTSOLVE_MAXNZ"},
      {"held nodes", s.boundary_entries, CORTEXMAP_MAXBCP, "option CORTEXMAP_MAXBCP"},
      {"cortex points", s.cortex_points, CORTEXMAP_MAXPTS, "option CORTEXMAP_MAXPTS"},
      {"cortex triangles", s.cortex_triangles, CORTEXMAP_MAXTRI, "option CORTEXMAP_MAXTRI"},
  };
  // the first count above its capacity
  for (const Limit& l : limits)
    if (l.count > l.cap)
      throw Error("the mesh has " + std::to_string(l.count) + " " + l.what + ", more than the build holds (" +
                  std::to_string(l.cap) + "; raise it with the CMake " + l.option + ")");
}

}  // namespace headmesh
