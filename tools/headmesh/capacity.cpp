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
      {"nodes", s.nodes, std::min<std::int64_t>(POTSOLVE_MAXNODE, CORTEXMAP_MAXNODE), "POTSOLVE_MAXNODE and CORTEXMAP_MAXNODE"},
      {"tetrahedra", s.elements, std::min<std::int64_t>(POTSOLVE_MAXELEM, CORTEXMAP_MAXELEM), "POTSOLVE_MAXELEM and CORTEXMAP_MAXELEM"},
      {"tissues", s.materials, std::min<std::int64_t>(POTSOLVE_MAXMAT, CORTEXMAP_MAXMAT), "POTSOLVE_MAXMAT and CORTEXMAP_MAXMAT"},
      {"potentials", s.potentials, max_potentials(), "POTSOLVE_MAXBVAL"},
      {"stored matrix terms", s.stored_terms, POTSOLVE_MAXNZ, "POTSOLVE_MAXNZ"},
      {"held nodes", s.boundary_entries, CORTEXMAP_MAXBCP, "CORTEXMAP_MAXBCP"},
      {"cortex points", s.cortex_points, CORTEXMAP_MAXPTS, "CORTEXMAP_MAXPTS"},
      {"cortex triangles", s.cortex_triangles, CORTEXMAP_MAXTRI, "CORTEXMAP_MAXTRI"},
  };
  // the first count above its capacity
  for (const Limit& l : limits)
    if (l.count > l.cap)
      throw Error("the mesh has " + std::to_string(l.count) + " " + l.what + ", more than the build holds (" +
                  std::to_string(l.cap) + "; raise it with the CMake option " + l.option + ")");
}

}  // namespace headmesh
