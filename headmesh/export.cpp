#include "headmesh/export.h"

#include <gmsh.h>
#include <vtkCellArray.h>
#include <vtkCellData.h>
#include <vtkDoubleArray.h>
#include <vtkFieldData.h>
#include <vtkFloatArray.h>
#include <vtkIntArray.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkUnstructuredGrid.h>
#include <vtkXMLUnstructuredGridWriter.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <numeric>
#include <optional>

#include "cortexmap/field_library.h"
#include "headmesh/electrode_current.h"
#include "headmesh/error.h"
#include "headmesh/gmsh_session.h"
#include "headmesh/staged_files.h"
#include "shared/mesh_map.h"
#include "shared/tetra.h"
#include "textio/console.h"
#include "textio/errors.h"
#include "textio/find_file.h"
#include "textio/reader.h"

namespace headmesh {

namespace fs = std::filesystem;

namespace {

// The file of the model directory, found as the programs find it (letter case aside).
std::optional<std::string> model_file(const std::string& dir, const char* name) {
  return textio::find_file(cortexmap::file_in(dir, name));
}

// The line of a value that cortexmap's readers reject.
std::string rejection(const cortexmap::InputRejected& r) {
  return r.file + ", record " + std::to_string(r.record) + ": " + r.what;
}

// A message as one line: its last line, without the blanks around it.
std::string one_line(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  const auto nl = text.rfind('\n');
  if (nl != std::string::npos) text = text.substr(nl + 1);
  const auto first = text.find_first_not_of(' ');
  return first == std::string::npos ? "" : text.substr(first);
}

// Runs f with the library's failures turned into Error; its console output
// (the progress marks) is kept for messages.
template <class F>
void quietly(F f) {
  textio::ConsoleCapture console;
  try {
    f();
  } catch (const textio::FatalError& e) {
    throw Error(one_line(e.what()));
  } catch (const textio::Stop&) {  // a value rejected: its line went to the console
    throw Error(one_line(console.text()));
  } catch (const cortexmap::InputRejected& r) {
    throw Error(rejection(r));
  } catch (const cortexmap::FieldOverflow& f) {
    throw Error("element " + std::to_string(f.element) + ": its field values exceed the range of 32-bit reals");
  }
}

// The model, the potentials and the element fields of dir; the coordinates as
// written into r.xyz.
void read_model(cortexmap::MapStore& m, const std::string& dir, Results& r) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    if (!ec) ec = std::make_error_code(std::errc::not_a_directory);
    throw Error("cannot enter the model directory " + dir + ": " + ec.message());
  }
  if (!model_file(dir, "potent.out")) throw Error("the model directory holds no POTENT.OUT: run potsolve there first");
  quietly([&] {
    cortexmap::read_xyz(m, dir);
    const std::int32_t nodes = m.nnode;
    r.xyz.assign(m.xyz.begin() + 3, m.xyz.begin() + 3 + 3 * static_cast<std::ptrdiff_t>(nodes));
    cortexmap::scale_coordinates(m);
    cortexmap::read_elem(m, dir);
    cortexmap::read_potent(m, dir);
    if (m.nnode != nodes)
      throw Error("POTENT.OUT holds " + std::to_string(m.nnode) + " potentials for the " + std::to_string(nodes) +
                  " nodes of xyz.dat: run potsolve on this model again");
    cortexmap::read_bval(m, dir);
    cortexmap::read_bcp(m, dir);
    cortexmap::read_prop(m, dir);
    m.fields = cortexmap::element_fields(m);
  });
}

// POTENT.OUT's potentials as written (cortexmap narrows them to 32 bits):
// node i at [i], from 1.
std::vector<double> solved_potentials(const std::string& path, std::int32_t nnode) {
  textio::Reader r = textio::Reader::open(path, 1);
  std::int32_t n = 0, id = 0;
  r.read(n);
  std::vector<double> u(static_cast<std::size_t>(nnode) + 1, 0.0);
  for (std::int32_t i = 1; i <= n && i <= nnode; ++i) r.read(id, u[static_cast<std::size_t>(i)]);
  return u;
}

// ele_size.txt's current (mA, its sign dropped) as written.
double reference_milliamperes(const std::string& path) {
  textio::Reader r = textio::Reader::open(path, 1);
  double area = 0.0, current = 0.0;
  r.read(area, current);
  return std::fabs(current);
}

std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.7g", v);
  return buf;
}

// The current of every held electrode (r.electrodes), both calibration
// factors where ele_size.txt and the boundary codes allow them, and the one
// wanted (r.calibration, r.note); the factor applied, or 1.
float calibration(cortexmap::MapStore& m, const std::string& dir, Calibration wanted, Results& r) {
  quietly([&] { r.electrodes = reaction_currents(m, solved_potentials(*model_file(dir, "potent.out"), m.nnode)); });
  const std::optional<std::string> ele_size = model_file(dir, "ele_size.txt");
  if (!ele_size) {
    r.note = "uncalibrated: no ele_size.txt";
    return 1.0f;
  }
  std::vector<float> ndavg;
  double milliamperes = 0.0;
  quietly([&] {
    cortexmap::read_ele_size(m, dir);
    milliamperes = reference_milliamperes(*ele_size);
    cortexmap::ProgressLine progress;
    progress.start(m.nnode);
    ndavg = cortexmap::node_averages(m, m.fields, progress);
    progress.end();
  });
  std::string why_not;
  try {
    r.cortexmap_factor = cortexmap::field_scale(m, ndavg);
  } catch (const cortexmap::ScaleFailure& f) {
    why_not = one_line(cortexmap::scale_message(f.cause));
  }
  // the reference electrode (code -1) carries the current of ele_size.txt
  if (!r.electrodes.empty() && r.electrodes[0].code == -1 && r.electrodes[0].amperes != 0.0 && milliamperes > 0.0)
    r.exact_factor = milliamperes * 0.001 / std::fabs(r.electrodes[0].amperes);
  const double both = r.exact_factor > 0.0 && r.cortexmap_factor > 0.0 ? r.cortexmap_factor / r.exact_factor : 0.0;
  if (wanted == Calibration::exact && r.exact_factor > 0.0) {
    r.calibration = Calibration::exact;
    r.note = "calibrated by the exact current of the reference electrode: factor " + number(r.exact_factor) +
             (both > 0.0 ? "; cortexmap's values are " + number(both) + " times these" : "");
    return static_cast<float>(r.exact_factor);
  }
  if (wanted == Calibration::cortexmap && r.cortexmap_factor > 0.0) {
    r.calibration = Calibration::cortexmap;
    r.note = "calibrated as cortexmap calibrates: factor " + number(r.cortexmap_factor) +
             (both > 0.0 ? "; the exact current's factor is " + number(r.exact_factor) : "");
    return static_cast<float>(r.cortexmap_factor);
  }
  r.note = "uncalibrated: " + (wanted == Calibration::cortexmap
                                   ? why_not
                                   : std::string("the reference electrode (code -1) carries no current"));
  return 1.0f;
}

// Every element: corners, the scaled values as cortexmap samples them, vectors.
void element_values(const cortexmap::MapStore& m, float f, Results& r) {
  const auto nn = static_cast<std::size_t>(m.nnode), ne = static_cast<std::size_t>(m.nelem);
  r.potential.assign(m.pot.begin() + 1, m.pot.begin() + 1 + static_cast<std::ptrdiff_t>(nn));
  r.tet.resize(4 * ne);
  r.field.resize(3 * ne);
  r.current.resize(3 * ne);
  r.emag.resize(ne);
  r.jmag.resize(ne);
  r.pden.resize(ne);
  r.tissue.resize(ne);
  // each element from 1, stored from 0
  for (std::size_t e = 0; e < ne; ++e) {
    const auto k = static_cast<std::int32_t>(e + 1);
    for (int c = 0; c < 4; ++c) r.tet[4 * e + c] = m.ielem[4 * k + c] - 1;
    const auto v = cortexmap::scaled_values(m.fields, f, k);
    r.emag[e] = v[0];
    r.jmag[e] = v[1];
    r.pden[e] = v[2];
    double g[3];
    cortexmap::element_gradient(m, k, g);
    for (int a = 0; a < 3; ++a) {
      r.field[3 * e + a] = static_cast<float>(-static_cast<double>(f) * g[a]);
      r.current[3 * e + a] = static_cast<float>(-static_cast<double>(f) * m.prop[m.imat[k]] * g[a]);
    }
    r.tissue[e] = m.imat[k];
  }
}

// The mesh's tags from headmesh.map, or the model's numbers.
void tags(const std::string& dir, Results& r) {
  const std::size_t nn = r.potential.size(), ne = r.emag.size();
  r.node_tag.resize(nn);
  r.elem_tag.resize(ne);
  for (std::size_t i = 0; i < nn; ++i) r.node_tag[i] = i + 1;  // model numbers from 1
  for (std::size_t e = 0; e < ne; ++e) r.elem_tag[e] = e + 1;
  const std::optional<std::string> file = model_file(dir, "headmesh.map");
  if (!file) return;
  const mesh_map::MeshMap map = mesh_map::read_map(*file);
  if (map.node_tag.size() != nn || map.elem_tag.size() != ne)
    throw Error("headmesh.map belongs to another mesh (" + std::to_string(map.node_tag.size()) + " nodes, " +
                std::to_string(map.elem_tag.size()) + " elements)");
  r.node_tag = map.node_tag;
  r.elem_tag = map.elem_tag;
  for (auto& t : r.tissue)  // material number to volume tag
    if (t >= 1 && static_cast<std::size_t>(t) <= map.material_tag.size()) t = map.material_tag[t - 1];
}

// The unit normals into the cortex at its points and the normal components of
// the sampled elements' E and J.
void normal_components(const cortexmap::MapStore& m, Results& r) {
  const std::size_t npts = r.cortex_xyz.size() / 3;
  std::vector<double> n(3 * npts, 0.0);
  for (std::size_t t = 0; t + 2 < r.cortex_tri.size(); t += 3) {  // area-weighted outward normals
    const std::int32_t* c = &r.cortex_tri[t];
    if (std::min({c[0], c[1], c[2]}) < 0 || static_cast<std::size_t>(std::max({c[0], c[1], c[2]})) >= npts) continue;
    double p[3][3];
    for (int k = 0; k < 3; ++k)
      for (int a = 0; a < 3; ++a) p[k][a] = r.cortex_xyz[3 * static_cast<std::size_t>(c[k]) + a];
    const double u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const double v[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    double w[3];
    shared::cross(u, v, w);
    for (int k = 0; k < 3; ++k)
      for (int a = 0; a < 3; ++a) n[3 * static_cast<std::size_t>(c[k]) + a] += w[a];
  }
  r.cortex_normal.resize(3 * npts);
  r.cortex_en.resize(npts);
  r.cortex_jn.resize(npts);
  for (std::size_t p = 0; p < npts; ++p) {  // every point: into the cortex, and the sampled element's components
    const double len = std::sqrt(shared::dot(&n[3 * p], &n[3 * p]));
    const auto e = static_cast<std::size_t>(m.inear[p + 1] - 1);
    double en = 0.0, jn = 0.0;
    for (int a = 0; a < 3; ++a) {
      const double inward = len > 0.0 ? -n[3 * p + a] / len : 0.0;
      r.cortex_normal[3 * p + a] = static_cast<float>(inward);
      en += inward * r.field[3 * e + a];
      jn += inward * r.current[3 * e + a];
    }
    r.cortex_en[p] = static_cast<float>(en);
    r.cortex_jn[p] = static_cast<float>(jn);
  }
}

// The cortex, when cortexmap has mapped one: its points, triangles and the
// values cortexmap samples at every point with the factor f.
void cortex(cortexmap::MapStore& m, const std::string& dir, float f, Results& r) {
  if (!model_file(dir, "cortexfield.out") || !model_file(dir, "cortex.dat")) return;
  quietly([&] {
    cortexmap::read_cortex(m, dir);
    cortexmap::ProgressLine progress;
    progress.start(m.npts);
    m.inear = cortexmap::find_nearest(m, m.fields.cent, progress);
  });
  // every cortical point: its coordinates and the values of its nearest element
  for (std::int32_t p = 1; p <= m.npts; ++p) {
    for (int a = 0; a < 3; ++a) r.cortex_xyz.push_back(m.cxyz[3 * p + a]);
    const auto v = cortexmap::scaled_values(m.fields, f, m.inear[p]);
    r.cortex_emag.push_back(v[0]);
    r.cortex_jmag.push_back(v[1]);
    r.cortex_pden.push_back(v[2]);
  }
  for (std::int32_t t = 1; t <= m.ntri; ++t)  // triangles with points from 0
    for (int k = 0; k < 3; ++k) r.cortex_tri.push_back(m.itri[3 * t + k] - 1);
  normal_components(m, r);
}

// --- VTK ---------------------------------------------------------------------

vtkNew<vtkFloatArray> float_array(const char* name, const std::vector<float>& v, int components) {
  vtkNew<vtkFloatArray> a;
  a->SetName(name);
  a->SetNumberOfComponents(components);
  a->SetNumberOfTuples(static_cast<vtkIdType>(v.size() / components));
  std::copy(v.begin(), v.end(), a->GetPointer(0));
  return a;
}

vtkNew<vtkPoints> points(const std::vector<float>& xyz) {
  vtkNew<vtkPoints> p;
  p->SetDataTypeToFloat();
  p->SetNumberOfPoints(static_cast<vtkIdType>(xyz.size() / 3));
  std::copy(xyz.begin(), xyz.end(), static_cast<float*>(p->GetVoidPointer(0)));
  return p;
}

vtkNew<vtkDoubleArray> double_array(const char* name, const std::vector<double>& v) {
  vtkNew<vtkDoubleArray> a;
  a->SetName(name);
  a->SetNumberOfValues(static_cast<vtkIdType>(v.size()));
  for (std::size_t k = 0; k < v.size(); ++k) a->SetValue(static_cast<vtkIdType>(k), v[k]);  // one value per entry
  return a;
}

// The calibration as numeric field data (every reader keeps those; a text
// array is what some cannot read): the factor applied with the rule's name,
// both factors (0 where unavailable) and the electrodes' currents.
void add_calibration(vtkDataObject* data, const Results& r) {
  vtkFieldData* fd = data->GetFieldData();
  const char* applied = r.calibration == Calibration::exact       ? "factor applied: exact electrode current"
                        : r.calibration == Calibration::cortexmap ? "factor applied: cortexmap's rule"
                                                                  : "factor applied: none";
  const double factor = r.calibration == Calibration::exact       ? r.exact_factor
                        : r.calibration == Calibration::cortexmap ? r.cortexmap_factor
                                                                  : 1.0;
  fd->AddArray(double_array(applied, {factor}));
  fd->AddArray(double_array("factor of the exact electrode current", {r.exact_factor}));
  fd->AddArray(double_array("factor of cortexmap's rule", {r.cortexmap_factor}));
  std::vector<double> amperes;
  for (const ElectrodeCurrent& e : r.electrodes) amperes.push_back(e.amperes);  // codes -1, -2, ...
  fd->AddArray(double_array("electrode currents before calibration (A), codes -1, -2, ...", amperes));
}

// The calibration as a view name's suffix.
std::string kind(const Results& r) {
  return r.calibration == Calibration::exact       ? " [exact-current calibration]"
         : r.calibration == Calibration::cortexmap ? " [cortexmap calibration]"
                                                   : " [uncalibrated]";
}

template <class Writer>
void write_vtk(Writer* w, vtkDataObject* data, const std::string& path) {
  w->SetInputData(data);
  w->SetFileName(path.c_str());
  w->SetDataModeToAppended();
  w->EncodeAppendedDataOff();
  w->SetCompressorTypeToNone();
  if (w->Write() != 1) throw Error("cannot write " + path);
}

// An unstructured grid of cells of one type with corners per cell.
vtkNew<vtkUnstructuredGrid> grid_of(const std::vector<float>& xyz, const std::vector<std::int32_t>& corners,
                                    int per_cell, int type) {
  vtkNew<vtkUnstructuredGrid> grid;
  grid->SetPoints(points(xyz));
  const auto n = static_cast<vtkIdType>(corners.size() / static_cast<std::size_t>(per_cell));
  vtkNew<vtkIdTypeArray> offsets, conn;
  offsets->SetNumberOfValues(n + 1);
  conn->SetNumberOfValues(per_cell * n);
  for (vtkIdType e = 0; e <= n; ++e) offsets->SetValue(e, per_cell * e);  // per_cell corners per cell
  for (vtkIdType k = 0; k < per_cell * n; ++k) conn->SetValue(k, corners[static_cast<std::size_t>(k)]);
  vtkNew<vtkCellArray> cells;
  cells->SetData(offsets, conn);
  grid->SetCells(type, cells);
  return grid;
}

void write_vtu(const Results& r, const std::string& path) {
  vtkNew<vtkUnstructuredGrid> grid = grid_of(r.xyz, r.tet, 4, VTK_TETRA);
  grid->GetPointData()->AddArray(float_array("potential (V)", r.potential, 1));
  vtkCellData* cd = grid->GetCellData();
  cd->AddArray(float_array("E (V/m)", r.field, 3));
  cd->AddArray(float_array("|E| (V/m)", r.emag, 1));
  cd->AddArray(float_array("J (A/m^2)", r.current, 3));
  cd->AddArray(float_array("|J| (A/m^2)", r.jmag, 1));
  cd->AddArray(float_array("power density (W/m^3)", r.pden, 1));
  const auto ne = static_cast<vtkIdType>(r.emag.size());
  vtkNew<vtkIntArray> tissue;
  tissue->SetName("tissue");
  tissue->SetNumberOfValues(ne);
  for (vtkIdType e = 0; e < ne; ++e) tissue->SetValue(e, r.tissue[static_cast<std::size_t>(e)]);  // tag per cell
  cd->AddArray(tissue);
  add_calibration(grid, r);
  vtkNew<vtkXMLUnstructuredGridWriter> w;
  write_vtk(w.Get(), grid, path);
}

// The cortex as an unstructured grid of triangles (which every reader of .vtu
// files takes) with the sampled values per point.
void write_cortex_vtu(const Results& r, const std::string& path) {
  vtkNew<vtkUnstructuredGrid> surface = grid_of(r.cortex_xyz, r.cortex_tri, 3, VTK_TRIANGLE);
  vtkPointData* pd = surface->GetPointData();
  pd->AddArray(float_array("|E| (V/m)", r.cortex_emag, 1));
  pd->AddArray(float_array("|J| (A/m^2)", r.cortex_jmag, 1));
  pd->AddArray(float_array("power density (W/m^3)", r.cortex_pden, 1));
  pd->AddArray(float_array("normal (into the cortex)", r.cortex_normal, 3));
  pd->AddArray(float_array("E normal (V/m, + into the cortex)", r.cortex_en, 1));
  pd->AddArray(float_array("J normal (A/m^2, + into the cortex)", r.cortex_jn, 1));
  add_calibration(surface, r);
  vtkNew<vtkXMLUnstructuredGridWriter> w;
  write_vtk(w.Get(), surface, path);
}

// --- gmsh --------------------------------------------------------------------

// One view of per-node or per-element values.
void add_view(const std::string& name, const char* type, const std::vector<std::size_t>& tags,
              const std::vector<float>& values, int components, std::vector<int>& views) {
  const int v = gmsh::view::add(name);
  std::vector<double> data(values.begin(), values.end());
  gmsh::view::addHomogeneousModelData(v, 0, "headfield", type, tags, data, 0.0, components);
  views.push_back(v);
}

// The current model and its views written to path.
void save_msh(const std::string& path, const std::vector<int>& views) {
  gmsh::option::setNumber("PostProcessing.SaveMesh", 0);  // the mesh once, before the views
  try {
    gmsh::write(path);
    for (int v : views) gmsh::view::write(v, path, true);  // each view appended to the mesh
  } catch (...) {
    throw Error(gmsh_error("cannot write " + path));
  }
}

// The mesh (one volume per tissue tag) and the field views. Nodes and
// elements are numbered 1, 2, ... in the order written (nodes in the model's
// order, elements tissue by tissue), as every reader of the format takes them;
// the mesh's own tags are views.
void write_msh(const Results& r, const std::string& path) {
  GmshSession session;
  gmsh::model::add("headfield");
  gmsh::option::setNumber("Mesh.Binary", 1);
  const std::size_t nn = r.potential.size(), ne = r.emag.size();
  std::vector<std::size_t> order(ne);  // model element of written element k
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return r.tissue[a] < r.tissue[b]; });
  std::vector<std::size_t> node_tags(nn), elem_tags(ne);
  std::iota(node_tags.begin(), node_tags.end(), std::size_t{1});
  std::iota(elem_tags.begin(), elem_tags.end(), std::size_t{1});
  // one discrete volume and physical group per tissue, its elements in turn; the nodes go to the first
  for (std::size_t k = 0; k < ne;) {
    const int tissue = r.tissue[order[k]];
    std::size_t end = k;
    std::vector<std::size_t> tags, corners;
    for (; end < ne && r.tissue[order[end]] == tissue; ++end) {
      tags.push_back(end + 1);
      for (int c = 0; c < 4; ++c) corners.push_back(static_cast<std::size_t>(r.tet[4 * order[end] + c]) + 1);
    }
    const int entity = gmsh::model::addDiscreteEntity(3);
    if (k == 0) gmsh::model::mesh::addNodes(3, entity, node_tags, std::vector<double>(r.xyz.begin(), r.xyz.end()));
    gmsh::model::mesh::addElementsByType(entity, 4, tags, corners);
    gmsh::model::addPhysicalGroup(3, {entity}, tissue);
    k = end;
  }
  // the element values in the written order
  const auto written = [&](const std::vector<float>& v, int components) {
    std::vector<float> w(v.size());
    for (std::size_t k = 0; k < ne; ++k)
      for (int c = 0; c < components; ++c) w[components * k + c] = v[components * order[k] + c];
    return w;
  };
  std::vector<float> tissue(ne), elem_tag(ne);
  for (std::size_t k = 0; k < ne; ++k) {  // tissue and mesh tag of every written element
    tissue[k] = static_cast<float>(r.tissue[order[k]]);
    elem_tag[k] = static_cast<float>(r.elem_tag[order[k]]);
  }
  const std::string calibration = kind(r);
  std::vector<int> views;
  add_view("potential (V)", "NodeData", node_tags, r.potential, 1, views);
  add_view("E (V/m)" + calibration, "ElementData", elem_tags, written(r.field, 3), 3, views);
  add_view("|E| (V/m)" + calibration, "ElementData", elem_tags, written(r.emag, 1), 1, views);
  add_view("J (A/m^2)" + calibration, "ElementData", elem_tags, written(r.current, 3), 3, views);
  add_view("|J| (A/m^2)" + calibration, "ElementData", elem_tags, written(r.jmag, 1), 1, views);
  add_view("power density (W/m^3)" + calibration, "ElementData", elem_tags, written(r.pden, 1), 1, views);
  add_view("tissue", "ElementData", elem_tags, tissue, 1, views);
  add_view("mesh element tag", "ElementData", elem_tags, elem_tag, 1, views);
  add_view("mesh node tag", "NodeData", node_tags, std::vector<float>(r.node_tag.begin(), r.node_tag.end()), 1, views);
  save_msh(path, views);
}

// The cortex as a triangle surface with the sampled values as node views.
void write_cortex_msh(const Results& r, const std::string& path) {
  GmshSession session;
  gmsh::model::add("headfield");
  gmsh::option::setNumber("Mesh.Binary", 1);
  const int entity = gmsh::model::addDiscreteEntity(2);
  std::vector<std::size_t> node_tags(r.cortex_xyz.size() / 3), tri_tags(r.cortex_tri.size() / 3), corners;
  for (std::size_t p = 0; p < node_tags.size(); ++p) node_tags[p] = p + 1;  // points from 1
  for (std::size_t t = 0; t < tri_tags.size(); ++t) tri_tags[t] = t + 1;    // triangles from 1
  for (std::int32_t p : r.cortex_tri) corners.push_back(static_cast<std::size_t>(p) + 1);
  gmsh::model::mesh::addNodes(2, entity, node_tags, std::vector<double>(r.cortex_xyz.begin(), r.cortex_xyz.end()));
  gmsh::model::mesh::addElementsByType(entity, 2, tri_tags, corners);
  const std::string calibration = kind(r);
  std::vector<int> views;
  add_view("|E| (V/m)" + calibration, "NodeData", node_tags, r.cortex_emag, 1, views);
  add_view("|J| (A/m^2)" + calibration, "NodeData", node_tags, r.cortex_jmag, 1, views);
  add_view("power density (W/m^3)" + calibration, "NodeData", node_tags, r.cortex_pden, 1, views);
  add_view("normal (into the cortex)", "NodeData", node_tags, r.cortex_normal, 3, views);
  add_view("E normal (V/m, + into the cortex)" + calibration, "NodeData", node_tags, r.cortex_en, 1, views);
  add_view("J normal (A/m^2, + into the cortex)" + calibration, "NodeData", node_tags, r.cortex_jn, 1, views);
  save_msh(path, views);
}

}  // namespace

Results read_results(const std::string& dir, Calibration wanted) {
  const auto m = std::make_unique<cortexmap::MapStore>();
  Results r;
  read_model(*m, dir, r);
  const float f = calibration(*m, dir, wanted, r);
  element_values(*m, f, r);
  tags(dir, r);
  cortex(*m, dir, f, r);
  return r;
}

std::vector<std::string> write_results(const Results& r, const std::string& out) {
  const fs::path path(out);
  const std::string ext = path.extension().string();
  if (ext != ".vtu" && ext != ".msh")
    throw Error("cannot tell the format of " + out + ": give a name ending in .vtu (ParaView) or .msh (gmsh)");
  const std::string cortex = (path.parent_path() / (path.stem().string() + "_cortex")).string();
  // the volume file and, with a cortex, its surface: written apart, published together
  StagedFiles files;
  const std::string volume = files.add(out);
  if (ext == ".vtu") {
    write_vtu(r, volume);
    if (!r.cortex_tri.empty()) write_cortex_vtu(r, files.add(cortex + ".vtu"));
  } else {
    write_msh(r, volume);
    if (!r.cortex_tri.empty()) write_cortex_msh(r, files.add(cortex + ".msh"));
  }
  return files.publish();
}

}  // namespace headmesh
