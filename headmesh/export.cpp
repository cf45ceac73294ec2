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

#include <climits>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>

#include "cortexmap/averages.h"
#include "cortexmap/fields.h"
#include "cortexmap/inputs.h"
#include "cortexmap/mapstore.h"
#include "cortexmap/nearest.h"
#include "cortexmap/outputs.h"
#include "cortexmap/progress.h"
#include "cortexmap/scale.h"
#include "shared/model_files.h"
#include "shared/tetra.h"
#include "headmesh/error.h"
#include "headmesh/gmsh_session.h"
#include "headmesh/map_file.h"
#include "headmesh/staged_files.h"
#include "textio/console.h"
#include "textio/errors.h"
#include "textio/find_file.h"
#include "textio/reader.h"

namespace headmesh {

namespace fs = std::filesystem;

namespace {

// The working directory changed for the lifetime of the object: cortexmap's
// stages read their files from it.
class InDirectory {
 public:
  explicit InDirectory(const std::string& dir) : saved_(fs::current_path()) {
    std::error_code ec;
    fs::current_path(dir, ec);
    if (ec) throw Error("cannot enter the model directory " + dir + ": " + ec.message());
  }
  ~InDirectory() {
    std::error_code ec;
    fs::current_path(saved_, ec);
  }
  InDirectory(const InDirectory&) = delete;
  InDirectory& operator=(const InDirectory&) = delete;

 private:
  fs::path saved_;
};

bool present(const char* name) { return textio::find_file(name).has_value(); }

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

// cortexmap's reading, element and calibration stages on the model of the
// working directory; their console output is kept for messages.
struct Stages {
  std::unique_ptr<cortexmap::MapStore> m = std::make_unique<cortexmap::MapStore>();
  bool calibrated = false;
  std::string note;
};

Stages run_stages() {
  Stages s;
  cortexmap::MapStore& m = *s.m;
  if (!present("potent.out")) throw Error("the model directory holds no POTENT.OUT: run potsolve there first");
  textio::ConsoleCapture console;
  try {
    cortexmap::read_xyz(m, "");
    cortexmap::scale_coordinates(m);
    const std::int32_t nodes = m.nnode;
    cortexmap::read_elem(m, "");
    cortexmap::read_potent(m, "");
    if (m.nnode != nodes)
      throw Error("POTENT.OUT holds " + std::to_string(m.nnode) + " potentials for the " + std::to_string(nodes) +
                  " nodes of xyz.dat: run potsolve on this model again");
    cortexmap::read_bval(m, "");
    cortexmap::read_bcp(m, "");
    cortexmap::read_prop(m, "");
    m.fields = cortexmap::element_fields(m);
  } catch (const textio::FatalError& e) {
    throw Error(one_line(e.what()));
  } catch (const cortexmap::InputRejected& r) {
    throw Error(rejection(r));
  } catch (const cortexmap::FieldOverflow& f) {
    throw Error("element " + std::to_string(f.element) + ": its field values exceed the range of 32-bit reals");
  }
  if (!present("ele_size.txt")) {
    s.note = "uncalibrated: no ele_size.txt";
    return s;
  }
  try {
    cortexmap::read_ele_size(m, "");
    cortexmap::ProgressLine progress;
    progress.start(m.nnode);
    const std::vector<float> ndavg = cortexmap::node_averages(m, m.fields, progress);
    progress.end();
    try {
      m.fscale = cortexmap::field_scale(m, ndavg);
      s.calibrated = true;
      s.note = "calibrated as cortexmap calibrates: factor " + std::to_string(m.fscale);
    } catch (const cortexmap::ScaleFailure& f) {
      s.note = "uncalibrated: " + one_line(cortexmap::scale_message(f.cause));
    }
  } catch (const textio::FatalError& e) {
    throw Error(one_line(e.what()));
  }
  return s;
}

// The gradient of the potential in element e, as cortexmap's field stage forms
// it; zero for a flat element.
void gradient(const cortexmap::MapStore& m, std::int32_t e, double g[3]) {
  const std::int32_t* c = &m.ielem[4 * e];
  double p[4][3], u[4];
  // corners and their potentials
  for (int k = 0; k < 4; ++k) {
    for (int a = 0; a < 3; ++a) p[k][a] = m.xyz[3 * c[k] + a];
    u[k] = m.pot[c[k]];
  }
  const shared::Tetra t = shared::tetra(p);
  if (t.det == 0.0) {
    g[0] = g[1] = g[2] = 0.0;
    return;
  }
  shared::gradient(t, u, g);
}

// xyz.dat's coordinates as written (cortexmap keeps them only scaled), read by
// the programs' own model-file reader with the factor 1; node i at 3*(i-1).
std::vector<float> model_coordinates() {
  const model_files::ModelRules as_written{
      .max_nodes = INT32_MAX, .max_elements = INT32_MAX, .max_materials = INT32_MAX,
      .max_values = INT32_MAX, .max_entries = INT32_MAX, .lowest_code = INT32_MIN, .factor = 1.0f,
      .check_overflow = false, .check_as_read = true, .null_repeats_previous = true,
      .reject = [](const textio::Reader&, const model_files::OutOfRange&) {
        throw Error("cannot read the coordinates of xyz.dat");
      }};
  textio::Reader r = textio::Reader::open("xyz.dat", 1);
  std::vector<float> xyz;
  const std::int32_t n = model_files::read_nodes(r, as_written, xyz);
  // nodes 1..n; entry 0 is unused
  return std::vector<float>(xyz.begin() + 3, xyz.begin() + 3 + 3 * static_cast<std::ptrdiff_t>(n));
}

// The element values, the tags and the cortex samples from the stages.
Results collect(Stages& s) {
  cortexmap::MapStore& m = *s.m;
  Results r;
  r.calibrated = s.calibrated;
  r.calibration = s.note;
  const double f = s.calibrated ? m.fscale : 1.0;
  const auto nn = static_cast<std::size_t>(m.nnode), ne = static_cast<std::size_t>(m.nelem);
  r.xyz = model_coordinates();
  r.potential.assign(m.pot.begin() + 1, m.pot.begin() + 1 + static_cast<std::ptrdiff_t>(nn));
  r.tet.resize(4 * ne);
  r.field.resize(3 * ne);
  r.current.resize(3 * ne);
  r.emag.resize(ne);
  r.jmag.resize(ne);
  r.pden.resize(ne);
  r.tissue.resize(ne);
  // every element: corners, the scaled values as cortexmap samples them, vectors
  for (std::size_t e = 0; e < ne; ++e) {
    const auto k = static_cast<std::int32_t>(e + 1);
    for (int c = 0; c < 4; ++c) r.tet[4 * e + c] = m.ielem[4 * k + c] - 1;
    r.emag[e] = static_cast<float>(f * m.fields.emag[k]);
    r.jmag[e] = static_cast<float>(f * m.fields.jmag[k]);
    r.pden[e] = static_cast<float>((f * m.fields.pden[k]) * f);
    double g[3];
    gradient(m, k, g);
    for (int a = 0; a < 3; ++a) {
      r.field[3 * e + a] = static_cast<float>(-f * g[a]);
      r.current[3 * e + a] = static_cast<float>(-f * m.prop[m.imat[k]] * g[a]);
    }
    r.tissue[e] = m.imat[k];
  }

  // the mesh's tags from headmesh.map, or the model's numbers
  r.node_tag.resize(nn);
  r.elem_tag.resize(ne);
  for (std::size_t i = 0; i < nn; ++i) r.node_tag[i] = i + 1;  // model numbers from 1
  for (std::size_t e = 0; e < ne; ++e) r.elem_tag[e] = e + 1;
  if (present("headmesh.map")) {
    const MeshMap map = read_map(*textio::find_file("headmesh.map"));
    if (map.node_tag.size() != nn || map.elem_tag.size() != ne)
      throw Error("headmesh.map belongs to another mesh (" + std::to_string(map.node_tag.size()) + " nodes, " +
                  std::to_string(map.elem_tag.size()) + " elements)");
    r.node_tag = map.node_tag;
    r.elem_tag = map.elem_tag;
    for (auto& t : r.tissue)  // material number to volume tag
      if (t >= 1 && static_cast<std::size_t>(t) <= map.material_tag.size()) t = map.material_tag[t - 1];
  }

  if (!present("cortexfield.out") || !present("cortex.dat")) return r;
  {
    textio::ConsoleCapture console;
    try {
      cortexmap::read_cortex(m, "");
      cortexmap::ProgressLine progress;
      progress.start(m.npts);
      m.inear = cortexmap::find_nearest(m, m.fields.cent, progress);
    } catch (const textio::FatalError& e) {
      throw Error(one_line(e.what()));
    } catch (const cortexmap::InputRejected& r) {
      throw Error(rejection(r));
    }
  }
  m.fscale = static_cast<float>(f);
  // every cortical point: its coordinates and cortexmap's sampled values
  for (std::int32_t p = 1; p <= m.npts; ++p) {
    for (int a = 0; a < 3; ++a) r.cortex_xyz.push_back(m.cxyz[3 * p + a]);
    const auto v = cortexmap::sampled_values(m, p);
    r.cortex_emag.push_back(v[0]);
    r.cortex_jmag.push_back(v[1]);
    r.cortex_pden.push_back(v[2]);
  }
  for (std::int32_t t = 1; t <= m.ntri; ++t)  // triangles with points from 0
    for (int k = 0; k < 3; ++k) r.cortex_tri.push_back(m.itri[3 * t + k] - 1);
  return r;
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
  const InDirectory in(dir);
  Stages s = run_stages();
  return collect(s);
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
