#include "headmesh/export.h"

#include <gmsh.h>
#include <vtkCellArray.h>
#include <vtkCellData.h>
#include <vtkFieldData.h>
#include <vtkFloatArray.h>
#include <vtkIntArray.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkStringArray.h>
#include <vtkUnstructuredGrid.h>
#include <vtkXMLPolyDataWriter.h>
#include <vtkXMLUnstructuredGridWriter.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "cortexmap/field_library.h"
#include "headmesh/error.h"
#include "headmesh/gmsh_session.h"
#include "headmesh/map_file.h"
#include "headmesh/staged_files.h"
#include "textio/console.h"
#include "textio/errors.h"
#include "textio/find_file.h"

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

// cortexmap's calibration factor when ele_size.txt and the boundary codes allow
// it (r.calibrated), else 1; r.calibration says which.
float calibration(cortexmap::MapStore& m, const std::string& dir, Results& r) {
  if (!model_file(dir, "ele_size.txt")) {
    r.calibration = "uncalibrated: no ele_size.txt";
    return 1.0f;
  }
  std::vector<float> ndavg;
  quietly([&] {
    cortexmap::read_ele_size(m, dir);
    cortexmap::ProgressLine progress;
    progress.start(m.nnode);
    ndavg = cortexmap::node_averages(m, m.fields, progress);
    progress.end();
  });
  try {
    const float f = cortexmap::field_scale(m, ndavg);
    r.calibrated = true;
    r.calibration = "calibrated as cortexmap calibrates: factor " + std::to_string(f);
    return f;
  } catch (const cortexmap::ScaleFailure& f) {
    r.calibration = "uncalibrated: " + one_line(cortexmap::scale_message(f.cause));
    return 1.0f;
  }
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
  const MeshMap map = read_map(*file);
  if (map.node_tag.size() != nn || map.elem_tag.size() != ne)
    throw Error("headmesh.map belongs to another mesh (" + std::to_string(map.node_tag.size()) + " nodes, " +
                std::to_string(map.elem_tag.size()) + " elements)");
  r.node_tag = map.node_tag;
  r.elem_tag = map.elem_tag;
  for (auto& t : r.tissue)  // material number to volume tag
    if (t >= 1 && static_cast<std::size_t>(t) <= map.material_tag.size()) t = map.material_tag[t - 1];
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

// The calibration line as field data of a data set.
void add_note(vtkDataObject* data, const Results& r) {
  vtkNew<vtkStringArray> note;
  note->SetName("calibration");
  note->InsertNextValue(r.calibration);
  data->GetFieldData()->AddArray(note);
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

void write_vtu(const Results& r, const std::string& path) {
  vtkNew<vtkUnstructuredGrid> grid;
  grid->SetPoints(points(r.xyz));
  vtkNew<vtkCellArray> cells;
  const auto ne = static_cast<vtkIdType>(r.emag.size());
  vtkNew<vtkIdTypeArray> offsets, conn;
  offsets->SetNumberOfValues(ne + 1);
  conn->SetNumberOfValues(4 * ne);
  for (vtkIdType e = 0; e <= ne; ++e) offsets->SetValue(e, 4 * e);  // four corners per cell
  for (vtkIdType k = 0; k < 4 * ne; ++k) conn->SetValue(k, r.tet[static_cast<std::size_t>(k)]);
  cells->SetData(offsets, conn);
  grid->SetCells(VTK_TETRA, cells);
  grid->GetPointData()->AddArray(float_array("potential (V)", r.potential, 1));
  vtkCellData* cd = grid->GetCellData();
  cd->AddArray(float_array("E (V/m)", r.field, 3));
  cd->AddArray(float_array("|E| (V/m)", r.emag, 1));
  cd->AddArray(float_array("J (A/m^2)", r.current, 3));
  cd->AddArray(float_array("|J| (A/m^2)", r.jmag, 1));
  cd->AddArray(float_array("power density (W/m^3)", r.pden, 1));
  vtkNew<vtkIntArray> tissue;
  tissue->SetName("tissue");
  tissue->SetNumberOfValues(ne);
  for (vtkIdType e = 0; e < ne; ++e) tissue->SetValue(e, r.tissue[static_cast<std::size_t>(e)]);  // tag per cell
  cd->AddArray(tissue);
  add_note(grid, r);
  vtkNew<vtkXMLUnstructuredGridWriter> w;
  write_vtk(w.Get(), grid, path);
}

void write_vtp(const Results& r, const std::string& path) {
  vtkNew<vtkPolyData> surface;
  surface->SetPoints(points(r.cortex_xyz));
  vtkNew<vtkCellArray> tris;
  for (std::size_t t = 0; t + 2 < r.cortex_tri.size(); t += 3) {  // one cell per triangle
    const vtkIdType ids[3] = {r.cortex_tri[t], r.cortex_tri[t + 1], r.cortex_tri[t + 2]};
    tris->InsertNextCell(3, ids);
  }
  surface->SetPolys(tris);
  vtkPointData* pd = surface->GetPointData();
  pd->AddArray(float_array("|E| (V/m)", r.cortex_emag, 1));
  pd->AddArray(float_array("|J| (A/m^2)", r.cortex_jmag, 1));
  pd->AddArray(float_array("power density (W/m^3)", r.cortex_pden, 1));
  add_note(surface, r);
  vtkNew<vtkXMLPolyDataWriter> w;
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

// The mesh (one volume per tissue tag, the mesh's own tags) and the field views.
void write_msh(const Results& r, const std::string& path) {
  GmshSession session;
  gmsh::model::add("headfield");
  gmsh::option::setNumber("Mesh.Binary", 1);
  std::map<int, std::pair<std::vector<std::size_t>, std::vector<std::size_t>>> by_tissue;
  // every element into its tissue's volume: its tag and its corners' tags
  for (std::size_t e = 0; e < r.emag.size(); ++e) {
    auto& [tags, nodes] = by_tissue[r.tissue[e]];
    tags.push_back(r.elem_tag[e]);
    for (int c = 0; c < 4; ++c) nodes.push_back(r.node_tag[static_cast<std::size_t>(r.tet[4 * e + c])]);
  }
  // one discrete volume and physical group per tissue; the nodes go to the first
  for (const auto& [tissue, elems] : by_tissue) {
    const int entity = gmsh::model::addDiscreteEntity(3);
    if (tissue == by_tissue.begin()->first)
      gmsh::model::mesh::addNodes(3, entity, r.node_tag, std::vector<double>(r.xyz.begin(), r.xyz.end()));
    gmsh::model::mesh::addElementsByType(entity, 4, elems.first, elems.second);
    gmsh::model::addPhysicalGroup(3, {entity}, tissue);
  }
  const std::string kind = r.calibrated ? " [calibrated]" : " [uncalibrated]";
  std::vector<int> views;
  add_view("potential (V)", "NodeData", r.node_tag, r.potential, 1, views);
  add_view("E (V/m)" + kind, "ElementData", r.elem_tag, r.field, 3, views);
  add_view("|E| (V/m)" + kind, "ElementData", r.elem_tag, r.emag, 1, views);
  add_view("J (A/m^2)" + kind, "ElementData", r.elem_tag, r.current, 3, views);
  add_view("|J| (A/m^2)" + kind, "ElementData", r.elem_tag, r.jmag, 1, views);
  add_view("power density (W/m^3)" + kind, "ElementData", r.elem_tag, r.pden, 1, views);
  add_view("tissue", "ElementData", r.elem_tag, std::vector<float>(r.tissue.begin(), r.tissue.end()), 1, views);
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
  const std::string kind = r.calibrated ? " [calibrated]" : " [uncalibrated]";
  std::vector<int> views;
  add_view("|E| (V/m)" + kind, "NodeData", node_tags, r.cortex_emag, 1, views);
  add_view("|J| (A/m^2)" + kind, "NodeData", node_tags, r.cortex_jmag, 1, views);
  add_view("power density (W/m^3)" + kind, "NodeData", node_tags, r.cortex_pden, 1, views);
  save_msh(path, views);
}

}  // namespace

Results read_results(const std::string& dir) {
  const auto m = std::make_unique<cortexmap::MapStore>();
  Results r;
  read_model(*m, dir, r);
  const float f = calibration(*m, dir, r);
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
    if (!r.cortex_tri.empty()) write_vtp(r, files.add(cortex + ".vtp"));
  } else {
    write_msh(r, volume);
    if (!r.cortex_tri.empty()) write_cortex_msh(r, files.add(cortex + ".msh"));
  }
  return files.publish();
}

}  // namespace headmesh
