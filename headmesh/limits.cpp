#include "headmesh/limits.h"

#include <algorithm>
#include <string>

#include "capacity.h"
#include "headmesh/error.h"

namespace headmesh {

std::int64_t max_potentials() { return std::min<std::int64_t>(capacity::potsolve_maxbval, capacity::cortexmap_maxbval); }

void check_capacity(const ModelSize& s) {
  struct Limit {
    const char* what;
    std::int64_t count, cap;
    const char* option;
  };
  const Limit limits[] = {
      {"nodes", s.nodes, std::min<std::int64_t>(capacity::potsolve_maxnode, capacity::cortexmap_maxnode), "options POTSOLVE_MAXNODE and CORTEXMAP_MAXNODE"},
      {"tetrahedra", s.elements, std::min<std::int64_t>(capacity::potsolve_maxelem, capacity::cortexmap_maxelem), "options POTSOLVE_MAXELEM and CORTEXMAP_MAXELEM"},
      {"tissues", s.materials, std::min<std::int64_t>(capacity::potsolve_maxmat, capacity::cortexmap_maxmat), "options POTSOLVE_MAXMAT and CORTEXMAP_MAXMAT"},
      {"stored matrix terms", s.stored_terms, capacity::potsolve_maxnz, "option POTSOLVE_MAXNZ"},
      {"held nodes", s.boundary_entries, capacity::cortexmap_maxbcp, "option CORTEXMAP_MAXBCP"},
      {"cortex points", s.cortex_points, capacity::cortexmap_maxpts, "option CORTEXMAP_MAXPTS"},
      {"cortex triangles", s.cortex_triangles, capacity::cortexmap_maxtri, "option CORTEXMAP_MAXTRI"},
  };
  // the first count above its capacity
  for (const Limit& l : limits)
    if (l.count > l.cap)
      throw Error("the mesh has " + std::to_string(l.count) + " " + l.what + ", more than the build holds (" +
                  std::to_string(l.cap) + "; raise it with the CMake " + l.option + ")");
}

}  // namespace headmesh
