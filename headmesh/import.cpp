#include "headmesh/import.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <memory>
#include <numeric>
#include <string_view>

#include "headmesh/limits.h"
#include "headmesh/cortex.h"
#include "headmesh/error.h"
#include "headmesh/map_file.h"
#include "headmesh/mesh_read.h"
#include "headmesh/model_checks.h"
#include "headmesh/node_order.h"
#include "headmesh/outer_surface.h"
#include "headmesh/tissues.h"
#include "textio/outfile.h"
#include "textio/record.h"

namespace headmesh {

namespace {

constexpr int unit = 2;  // the model files' channel in diagnostics

// A real as the shortest text that reads back as the same 32-bit value, with a
// point or exponent so that every reader takes it as a real.
std::string real(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(v));
  std::string s(buf, r.ptr);
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

// One record of a model file, built word by word, blank-separated.
class Words {
 public:
  Words& operator<<(std::int64_t v) {
    char buf[24];
    return *this << std::string_view(buf, static_cast<std::size_t>(std::to_chars(buf, buf + sizeof buf, v).ptr - buf));
  }
  Words& operator<<(std::string_view w) {
    if (!text_.empty()) text_ += ' ';
    text_ += w;
    return *this;
  }
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

void line(textio::OutFile& f, const Words& w) { f.record(textio::Record().text(w.str())); }

// The model in its written order, before any file is touched.
struct Model {
  std::vector<std::int32_t> node;       // mesh node (0-based) of model node i
  std::vector<std::int32_t> new_of;     // model node of mesh node j
  std::vector<std::size_t> elem;        // mesh tetrahedron of model element e
  Tissues tissues;
  Electrodes electrodes;
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
  check_tetrahedra(mesh, opt.scale);
  m.tissues = make_tissues(mesh.tet_group, opt.sigma);
  if (opt.electrodes.empty()) throw Error("no electrode: give at least one --electrode TAG=VOLTS or --patch X,Y,Z,R=VOLTS");
  const std::vector<Tri> outer = boundary_faces(mesh.tet);
  m.electrodes = place_electrodes(opt.electrodes, mesh, outer, max_potentials());
  if (opt.current) m.area = reference_area(m.electrodes, mesh, outer);
  if (opt.cortex) m.cortex = make_cortex(mesh, *opt.cortex, opt.cortex_of_volume);

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

void write_nodes(const SourceMesh& mesh, const Model& m, textio::OutFile& f) {
  line(f, Words() << static_cast<std::int64_t>(m.node.size()));
  // number, x, y, z of every model node
  for (std::size_t i = 0; i < m.node.size(); ++i) {
    const double* p = &mesh.xyz[3 * static_cast<std::size_t>(m.node[i])];
    line(f, Words() << static_cast<std::int64_t>(i + 1) << real(p[0]) << real(p[1]) << real(p[2]));
  }
}

void write_elements(const SourceMesh& mesh, const Model& m, textio::OutFile& f) {
  line(f, Words() << static_cast<std::int64_t>(m.elem.size()) << 4);
  // number, corners counted from 0, material of every model element
  for (std::size_t e = 0; e < m.elem.size(); ++e) {
    const Tet& t = mesh.tet[m.elem[e]];
    line(f, Words() << static_cast<std::int64_t>(e + 1) << m.new_of[t[0]] << m.new_of[t[1]] << m.new_of[t[2]]
                    << m.new_of[t[3]] << m.tissues.material.at(mesh.tet_group[m.elem[e]]));
  }
}

void write_reals(const std::vector<double>& values, textio::OutFile& f) {
  line(f, Words() << static_cast<std::int64_t>(values.size()));
  for (double v : values) line(f, Words() << real(v));  // one value per record
}

void write_held(const Model& m, textio::OutFile& f) {
  std::vector<std::pair<std::int32_t, std::int32_t>> held;
  for (const auto& [node, code] : m.electrodes.held) held.emplace_back(m.new_of[node] + 1, code);  // model numbers
  std::sort(held.begin(), held.end());
  line(f, Words() << static_cast<std::int64_t>(held.size()));
  for (const auto& [node, code] : held) line(f, Words() << node << code);  // node from 1, code
}

void write_cortex(const SourceMesh& mesh, const Cortex& c, textio::OutFile& f) {
  line(f, Words() << static_cast<std::int64_t>(c.node.size()) << static_cast<std::int64_t>(c.tri.size()));
  // the points' coordinates, then the triangles with points counted from 1
  for (std::int32_t j : c.node) {
    const double* p = &mesh.xyz[3 * static_cast<std::size_t>(j)];
    line(f, Words() << real(p[0]) << real(p[1]) << real(p[2]));
  }
  for (const Tri& t : c.tri) line(f, Words() << t[0] + 1 << t[1] + 1 << t[2] + 1);
}

MeshMap mesh_map(const SourceMesh& mesh, const Model& m) {
  MeshMap map;
  for (std::int32_t j : m.node) map.node_tag.push_back(mesh.node_tag[j]);  // tags in model order
  for (std::size_t e : m.elem) map.elem_tag.push_back(mesh.tet_tag[e]);
  map.material_tag = m.tissues.tag;
  map.sigma = m.tissues.sigma;
  return map;
}

// The files of dir that belong to an earlier model and that this import does
// not replace: the results of the programs and the optional inputs not
// written now, by any letter case (the programs find their files so).
std::vector<std::string> earlier_files(const std::filesystem::path& dir, bool cortex, bool ele_size) {
  std::vector<std::string> names = {"potent.out", "irowjcol.da0", "cortexfield.out", "cortexfield.tec",
                                    "cortexfield.ply"};
  if (!cortex) names.push_back("cortex.dat");
  if (!ele_size) names.push_back("ele_size.txt");
  std::vector<std::string> found;
  std::error_code ec;
  // every entry whose name is one of them
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    std::string name = entry.path().filename().string();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (std::find(names.begin(), names.end(), name) != names.end()) found.push_back(entry.path().string());
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

ImportSummary import_mesh(const ImportOptions& opt) {
  const SourceMesh mesh = read_mesh(opt.mesh);
  const Model m = build_model(opt, mesh);

  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(opt.out, ec);
  if (!fs::is_directory(opt.out)) throw Error("cannot create the directory " + opt.out);
  const fs::path dir(opt.out);
  const auto open = [&](const char* name) { return std::make_unique<textio::OutFile>((dir / name).string(), unit); };

  // every file first to its temporary, then all committed together: all or none
  auto setting = open("setting.dta"), xyz = open("xyz.dat"), elem = open("elem.dat"), prop = open("prop.dat"),
       bval = open("bval.dat"), bcp = open("bcp.dat"), map = open("headmesh.map");
  auto cortex = m.cortex ? open("cortex.dat") : nullptr;
  auto ele_size = opt.current ? open("ele_size.txt") : nullptr;
  line(*setting, Words() << "''");
  line(*setting, Words() << real(opt.scale));
  write_nodes(mesh, m, *xyz);
  write_elements(mesh, m, *elem);
  write_reals(m.tissues.sigma, *prop);
  write_reals(m.electrodes.bval, *bval);
  write_held(m, *bcp);
  write_map(mesh_map(mesh, m), *map);
  if (cortex) write_cortex(mesh, *m.cortex, *cortex);
  if (ele_size) line(*ele_size, Words() << real(m.area) << real(*opt.current));
  // published together with the removal of an earlier model's files: the directory then holds this model only
  textio::commit_together({setting.get(), xyz.get(), elem.get(), prop.get(), bval.get(), bcp.get(), map.get(),
                           cortex.get(), ele_size.get()},
                          earlier_files(dir, cortex != nullptr, ele_size != nullptr));

  ImportSummary s;
  s.nodes = m.node.size();
  s.elements = m.elem.size();
  s.materials = m.tissues.tag.size();
  s.held = m.electrodes.held.size();
  s.potentials = m.electrodes.bval.size();
  s.cortex_points = m.cortex ? m.cortex->node.size() : 0;
  s.reference_area = m.area;
  s.warnings = m.warnings;
  return s;
}

}  // namespace headmesh
