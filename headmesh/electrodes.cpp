#include "headmesh/electrodes.h"

#include <algorithm>
#include <cmath>

#include "headmesh/error.h"
#include "headmesh/outer_surface.h"

namespace headmesh {

namespace {

// The nodes of the electrode, ascending and once each.
std::vector<std::int32_t> electrode_nodes(const ElectrodeOption& s, const SourceMesh& mesh,
                                          const std::vector<Tri>& outer) {
  std::vector<std::int32_t> nodes;
  if (s.patch) {
    // corners of outer-surface triangles within the radius of the centre
    for (const Tri& t : outer)
      for (std::int32_t i : t) {
        const double* p = &mesh.xyz[3 * static_cast<std::size_t>(i)];
        const double d = std::hypot(p[0] - s.centre[0], p[1] - s.centre[1], p[2] - s.centre[2]);
        if (d <= s.radius) nodes.push_back(i);
      }
  } else if (mesh.surface_nodes.count(s.tag)) {
    // the nodes of the surface group's elements that tetrahedra use
    for (std::int32_t i : mesh.surface_nodes.at(s.tag))
      if (i >= 0) nodes.push_back(i);
  } else {
    // the corners of the volume group's tetrahedra
    bool found = false;
    for (std::size_t e = 0; e < mesh.tet.size(); ++e) {
      if (mesh.tet_group[e] != s.tag) continue;
      found = true;
      nodes.insert(nodes.end(), mesh.tet[e].begin(), mesh.tet[e].end());
    }
    if (!found) throw Error(s.text + ": the mesh has no surface or volume physical tag " + std::to_string(s.tag));
  }
  std::sort(nodes.begin(), nodes.end());
  nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
  if (nodes.empty())
    throw Error(s.text + " holds no node" +
                (s.patch ? " (no outer-surface node lies within its radius)" : ""));
  return nodes;
}

}  // namespace

Electrodes place_electrodes(const std::vector<ElectrodeOption>& given, const SourceMesh& mesh,
                            const std::vector<Tri>& outer, std::int64_t max_potentials) {
  Electrodes el;
  std::vector<std::int32_t> owner(mesh.node_tag.size(), -1);  // electrode holding each node
  std::vector<std::int32_t> code(mesh.node_tag.size(), 0);
  // every electrode in the order given: its potential entry, then its nodes
  for (std::size_t k = 0; k < given.size(); ++k) {
    const ElectrodeOption& s = given[k];
    auto entry = std::find(el.bval.begin(), el.bval.end(), s.volts);
    if (entry == el.bval.end()) {
      if (static_cast<std::int64_t>(el.bval.size()) >= max_potentials)
        throw Error("the electrodes set " + std::to_string(el.bval.size() + 1) +
                    " different potentials, more than potsolve holds (" + std::to_string(max_potentials) +
                    "; raise it with the CMake option POTSOLVE_MAXBVAL)");
      entry = el.bval.insert(el.bval.end(), s.volts);
    }
    const auto c = -static_cast<std::int32_t>(entry - el.bval.begin() + 1);
    for (std::int32_t i : electrode_nodes(s, mesh, outer)) {
      if (owner[i] >= 0)
        throw Error("node " + std::to_string(mesh.node_tag[i]) + " belongs to two electrodes: " +
                    given[owner[i]].text + " and " + s.text);
      owner[i] = static_cast<std::int32_t>(k);
      code[i] = c;
    }
  }
  // the held nodes in ascending order
  for (std::size_t i = 0; i < code.size(); ++i)
    if (code[i] != 0) el.held.emplace_back(static_cast<std::int32_t>(i), code[i]);
  return el;
}

double reference_area(const Electrodes& el, const SourceMesh& mesh, const std::vector<Tri>& outer) {
  std::vector<bool> reference(mesh.node_tag.size(), false);
  for (const auto& [node, code] : el.held) reference[node] = code == -1;  // nodes at the first potential
  double area = 0.0;
  // a third of each outer triangle per reference corner
  for (const Tri& t : outer) {
    const int held = reference[t[0]] + reference[t[1]] + reference[t[2]];
    if (held > 0) area += held * triangle_area(mesh.xyz, t) / 3.0;
  }
  return area;
}

}  // namespace headmesh
