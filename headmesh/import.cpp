#include "headmesh/import.h"

#include <algorithm>
#include <numeric>

#include "headmesh/limits.h"
#include "headmesh/cortex.h"
#include "headmesh/error.h"
#include "headmesh/mesh_read.h"
#include "headmesh/model_checks.h"
#include "headmesh/node_order.h"
#include "headmesh/outer_surface.h"
#include "headmesh/positions.h"
#include "headmesh/tissues.h"
#include "shared/mesh_map.h"
#include "shared/model_writer.h"

namespace headmesh {

namespace {

// The model in its written order, before any file is touched.
struct Model {
  std::vector<std::int32_t> node;       // mesh node (0-based) of model node i
  std::vector<std::int32_t> new_of;     // model node of mesh node j
  std::vector<std::size_t> elem;        // mesh tetrahedron of model element e
  Tissues tissues;
  Electrodes electrodes;
  std::vector<CapElectrode> cap;
  std::optional<Cortex> cortex;
  double area = 0.0;
  std::vector<std::string> warnings;
};

// Model elements: the mesh's order, or by their lowest model node so that the
// solver's element loops follow the node order.
std::vector<std::size_t> element_order(const SourceMesh& mesh, const std::vector<std::int32_t>& new_of, bool keep) {
  std::vector<std::size_t> elem(mesh.tet.size());
  std::iota(elem.begin(), elem.end(), std::size_t{0});
  if (keep) return elem;
  std::vector<std::int32_t> low(mesh.tet.size());
  for (std::size_t e = 0; e < low.size(); ++e)  // lowest model node of every tetrahedron
    low[e] = std::min({new_of[mesh.tet[e][0]], new_of[mesh.tet[e][1]], new_of[mesh.tet[e][2]], new_of[mesh.tet[e][3]]});
  std::stable_sort(elem.begin(), elem.end(), [&](std::size_t a, std::size_t b) { return low[a] < low[b]; });
  return elem;
}

Model build_model(const ImportOptions& opt, const SourceMesh& mesh) {
  Model m;
  check_tetrahedra(mesh, 0.001);  // the coordinates are in mm by now
  m.tissues = make_tissues(mesh.tet_group, opt.sigma);
  if (opt.electrodes.empty() && opt.positions.empty())
    throw Error("no electrode: give at least one --electrode TAG=VOLTS or --patch X,Y,Z,R=VOLTS, or --positions CAP.csv");
  const std::vector<Tri> outer = boundary_faces(mesh.tet);
  m.electrodes = place_electrodes(opt.electrodes, mesh, outer, max_potentials());
  if (!opt.positions.empty()) {
    m.cap = read_positions(opt.positions);
    place_cap(m.cap, mesh, outer, opt.electrode_radius);
  }
  if (opt.current) m.area = reference_area(m.electrodes, mesh, outer);
  if (opt.cortex) m.cortex = make_cortex(mesh, *opt.cortex);

  const auto nnode = static_cast<std::int32_t>(mesh.node_tag.size());
  const NodeGraph graph = node_graph(nnode, mesh.tet);
  ModelSize size;
  size.nodes = nnode;
  size.elements = static_cast<std::int64_t>(mesh.tet.size());
  size.materials = static_cast<std::int64_t>(m.tissues.tag.size());
  size.stored_terms = nnode + static_cast<std::int64_t>(graph.adj.size());
  size.boundary_entries = static_cast<std::int64_t>(m.electrodes.held.size());
  size.cortex_points = m.cortex ? static_cast<std::int64_t>(m.cortex->node.size()) : 0;
  size.cortex_triangles = m.cortex ? static_cast<std::int64_t>(m.cortex->tri.size()) : 0;
  check_capacity(size);
  m.warnings = floating_parts(mesh, graph, m.electrodes);

  if (opt.order == NodeOrder::hilbert) {
    m.node = hilbert_order(mesh.xyz);
  } else if (opt.order == NodeOrder::rcm) {
    m.node = rcm_order(graph);
  } else {
    m.node.resize(mesh.node_tag.size());
    std::iota(m.node.begin(), m.node.end(), 0);
  }
  m.new_of.resize(m.node.size());
  for (std::size_t i = 0; i < m.node.size(); ++i) m.new_of[m.node[i]] = static_cast<std::int32_t>(i);  // inverse
  m.elem = element_order(mesh, m.new_of, opt.order == NodeOrder::keep);
  return m;
}

// The model files' contents in the model's order: nodes, elements with their
// materials, the tissues' conductivities, the electrodes and the cortex.
model_files::Model model_files_of(const ImportOptions& opt, const SourceMesh& mesh, const Model& m) {
  model_files::Model out;
  out.scale = 0.001;  // the coordinates are in mm
  // every model node at its mesh node's coordinates
  for (std::int32_t j : m.node) {
    const double* p = &mesh.xyz[3 * static_cast<std::size_t>(j)];
    out.xyz.push_back({p[0], p[1], p[2]});
  }
  // every model element on its mesh tetrahedron's nodes, with its tissue's material
  for (std::size_t e : m.elem) {
    const Tet& t = mesh.tet[e];
    out.elem.push_back({m.new_of[t[0]], m.new_of[t[1]], m.new_of[t[2]], m.new_of[t[3]]});
    out.mat.push_back(m.tissues.material.at(mesh.tet_group[e]));
  }
  out.prop = m.tissues.sigma;
  out.bval = m.electrodes.bval;
  for (const auto& [node, code] : m.electrodes.held) out.bcp.emplace_back(m.new_of[node], code);  // model numbers
  std::sort(out.bcp.begin(), out.bcp.end());
  if (m.cortex) {
    // the points where the cortex put them, the triangles as they are
    for (std::size_t p = 0; p < m.cortex->node.size(); ++p)
      out.cortex.push_back({m.cortex->xyz[3 * p], m.cortex->xyz[3 * p + 1], m.cortex->xyz[3 * p + 2]});
    out.tri.assign(m.cortex->tri.begin(), m.cortex->tri.end());
  }
  if (opt.current) out.reference = model_files::Reference{m.area, *opt.current};
  return out;
}

mesh_map::MeshMap map_of(const SourceMesh& mesh, const Model& m) {
  mesh_map::MeshMap map;
  for (std::int32_t j : m.node) map.node_tag.push_back(mesh.node_tag[j]);  // tags in model order
  for (std::size_t e : m.elem) map.elem_tag.push_back(mesh.tet_tag[e]);
  map.material_tag = m.tissues.tag;
  map.sigma = m.tissues.sigma;
  return map;
}

}  // namespace

ImportSummary import_mesh(const ImportOptions& opt) {
  SourceMesh mesh = read_mesh(opt.mesh);
  for (double& x : mesh.xyz) x *= opt.millimetres;  // the programs take millimetres
  const Model m = build_model(opt, mesh);

  // every file first to its temporary, then all committed together: all or none
  const mesh_map::MeshMap map = map_of(mesh, m);
  std::vector<model_files::ExtraFile> extra{{"headmesh.map", [&](textio::OutFile& f) { mesh_map::write_map(map, f); }}};
  if (!m.cap.empty()) extra.push_back({"electrodes.dat", [&](textio::OutFile& f) { write_cap(m.cap, m.new_of, f); }});
  model_files::write_model(model_files_of(opt, mesh, m), opt.out, extra);

  ImportSummary s;
  s.nodes = m.node.size();
  s.elements = m.elem.size();
  s.materials = m.tissues.tag.size();
  s.held = m.electrodes.held.size();
  s.potentials = m.electrodes.bval.size();
  s.cortex_points = m.cortex ? m.cortex->node.size() : 0;
  s.reference_area = m.area;
  s.cap_electrodes = m.cap.size();
  if (m.cortex && opt.cortex->of_volume) {
    s.cortex_share = share_sampling(mesh, *m.cortex, opt.cortex->tag);
    s.moved_along_normal = m.cortex->moved_along_normal;
    s.moved_to_element = m.cortex->moved_to_element;
  }
  s.warnings = m.warnings;
  return s;
}

}  // namespace headmesh
