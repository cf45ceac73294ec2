#include "headmesh/model_checks.h"

#include <cmath>
#include <map>
#include <set>

#include "headmesh/error.h"
#include "shared/tetra.h"

namespace headmesh {

void check_tetrahedra(const SourceMesh& mesh, double scale) {
  const auto factor = static_cast<float>(scale);
  // every tetrahedron as the solver reads its corners
  for (std::size_t e = 0; e < mesh.tet.size(); ++e) {
    const Tet& c = mesh.tet[e];
    const std::string name = "element tag " + std::to_string(mesh.tet_tag[e]);
    double p[4][3];
    for (int k = 0; k < 4; ++k) {
      for (int j = 0; j < k; ++j)
        if (c[j] == c[k]) throw Error(name + " names the node tag " + std::to_string(mesh.node_tag[c[k]]) + " twice");
      for (int a = 0; a < 3; ++a) {
        const float x = static_cast<float>(mesh.xyz[3 * static_cast<std::size_t>(c[k]) + a]) * factor;
        if (!std::isfinite(x))
          throw Error("node tag " + std::to_string(mesh.node_tag[c[k]]) +
                      ": a coordinate times the scale overflows the 32-bit reals of the model files");
        p[k][a] = x;
      }
    }
    if (shared::volume_is_zero(shared::tetra(p)))
      throw Error(name + " has zero volume (its four corners lie in one plane): potsolve cannot use it");
  }
}

std::vector<std::string> floating_parts(const SourceMesh& mesh, const NodeGraph& graph, const Electrodes& el) {
  const std::size_t n = mesh.node_tag.size();
  std::vector<std::int32_t> part(n, -1);  // 0: reached from a held node, k > 0: floating part k
  std::vector<std::int32_t> stack;
  // Marks every node connected to the ones on the stack with the part p.
  const auto flood = [&](std::int32_t p) {
    while (!stack.empty()) {
      const std::int32_t i = stack.back();
      stack.pop_back();
      for (std::int64_t k = graph.start[i]; k < graph.start[i + 1]; ++k)
        if (part[graph.adj[k]] < 0) {
          part[graph.adj[k]] = p;
          stack.push_back(graph.adj[k]);
        }
    }
  };
  for (const auto& [node, code] : el.held) {  // the held nodes first
    if (part[node] < 0) stack.push_back(node);
    part[node] = 0;
  }
  flood(0);
  std::int32_t parts = 0;
  for (std::size_t i = 0; i < n; ++i) {  // then every part still unmarked
    if (part[i] >= 0) continue;
    part[i] = ++parts;
    stack.push_back(static_cast<std::int32_t>(i));
    flood(parts);
  }
  struct Part {
    std::size_t tets = 0, first = 0;
    std::set<int> tags;
  };
  std::map<std::int32_t, Part> found;
  // every tetrahedron of a floating part
  for (std::size_t e = 0; e < mesh.tet.size(); ++e) {
    const std::int32_t p = part[mesh.tet[e][0]];
    if (p == 0) continue;
    Part& f = found[p];
    if (f.tets++ == 0) f.first = mesh.tet_tag[e];
    f.tags.insert(mesh.tet_group[e]);
  }
  std::vector<std::string> lines;
  for (const auto& [p, f] : found) {  // one line per part
    std::string tags;
    for (int t : f.tags) tags += (tags.empty() ? "" : ", ") + std::to_string(t);
    lines.push_back("a part of " + std::to_string(f.tets) + (f.tets == 1 ? " tetrahedron" : " tetrahedra") + " of volume tag" +
                    (f.tags.size() > 1 ? "s " : " ") + tags + " (element tag " + std::to_string(f.first) +
                    " among them) touches no electrode; the solver holds it at 0 V (a fault of the mesh?)");
  }
  return lines;
}

}  // namespace headmesh
