// The round trip on gmsh-made nested spheres: import in every .msh format,
// potsolve, cortexmap, export, and the exported files read back through VTK's
// and gmsh's own readers.
#include <gmsh.h>
#include <gtest/gtest.h>
#include <vtkCellData.h>
#include <vtkDataArray.h>
#include <vtkFieldData.h>
#include <vtkPointData.h>
#include <vtkSmartPointer.h>
#include <vtkUnstructuredGrid.h>
#include <vtkXMLUnstructuredGridReader.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "common/meshgen.h"
#include "headmesh/gmsh_session.h"
#include "shared/mesh_map.h"
#include "headmesh/meshes.h"
#include "headmesh/pipeline.h"
#include "textio/layout.h"

namespace {

namespace fs = std::filesystem;

constexpr double scalp = 92.0;   // outer radius of the spheres (mm)
constexpr double chord = 60.0;   // patch radius (mm)
const char* const import_options =
    " --patch 0,0,92,60=1 --patch 0,0,-92,60=0 --sigma 4=0.0125 --cortex-of 2 --current 2";

using hmtest::numbers;
using hmtest::potentials;
using hmtest::run;

std::string headmesh(const std::string& args) { return hmtest::program("headmesh", args); }

// The meshes and the models, each made when a test first needs it (every test
// runs in a process of its own).
struct Suite {
  std::string dir;
  std::vector<std::string> meshes;   // 4.1 ASCII, 4.1 binary, 2.2 ASCII, 2.2 binary
  std::vector<std::string> models;   // their model directories
  std::string kept;                  // 4.1 ASCII imported with --keep-order
};

Suite& suite() {
  static Suite s = [] {
    Suite s;
    s.dir = testmesh::fresh_dir("headmesh");
    s.meshes = hmtest::sphere_meshes(s.dir, 14.0);
    for (std::size_t k = 0; k < s.meshes.size(); ++k) s.models.push_back(s.dir + "/model" + std::to_string(k));
    s.kept = s.dir + "/kept";
    return s;
  }();
  return s;
}

// The model of mesh k, imported.
const std::string& imported(std::size_t k) {
  static std::vector<bool> done(4, false);
  Suite& s = suite();
  if (!done[k]) {
    EXPECT_EQ(run(s.dir, headmesh("import '" + s.meshes[k] + "' --out '" + s.models[k] + "'" + import_options)), 0);
    done[k] = true;
  }
  return s.models[k];
}

// The model of the first mesh, solved, mapped and exported to out.vtu and out.msh.
const Suite& solved() {
  static const bool done = [] {
    const std::string& model = imported(0);
    EXPECT_EQ(run(model, hmtest::program("potsolve")), 0);
    EXPECT_EQ(run(model, hmtest::program("cortexmap")), 0);
    EXPECT_EQ(run(suite().dir, headmesh("export '" + model + "' --out out.vtu --calibration cortexmap")), 0);
    EXPECT_EQ(run(suite().dir, headmesh("export '" + model + "' --out out.msh --calibration cortexmap")), 0);
    return true;
  }();
  (void)done;
  return suite();
}

TEST(HeadmeshRoundTrip, EveryMeshFormatGivesTheSameModel) {
  const Suite& s = suite();
  // the files of every model directory, against those of the first
  for (std::size_t k = 1; k < s.models.size(); ++k)
    for (const char* name : {"setting.dta", "xyz.dat", "elem.dat", "prop.dat", "bval.dat", "bcp.dat", "cortex.dat",
                             "ele_size.txt", "headmesh.map"}) {
      const std::string first = testmesh::read_file(imported(0) + "/" + name);
      EXPECT_FALSE(first.empty()) << name;
      EXPECT_EQ(testmesh::read_file(imported(k) + "/" + name), first) << s.meshes[k] << ": " << name;
    }
}

// Every model node at its mesh node's coordinates, every model element on its
// mesh element's nodes with the conductivity of its volume tag.
TEST(HeadmeshRoundTrip, ModelNodesAndElementsMapBackToTheMesh) {
  const Suite& s = suite();
  const std::string& model = imported(1);
  const mesh_map::MeshMap map = mesh_map::read_map(model + "/headmesh.map");
  const std::vector<double> xyz = numbers(model + "/xyz.dat"), elem = numbers(model + "/elem.dat"),
                            prop = numbers(model + "/prop.dat");
  ASSERT_EQ(xyz.size(), 1 + 4 * map.node_tag.size());
  ASSERT_EQ(elem.size(), 2 + 6 * map.elem_tag.size());
  const std::map<int, double> sigma = {{2, 0.275}, {3, 1.654}, {4, 0.0125}, {5, 0.465}};

  const headmesh::GmshSession session;
  gmsh::open(s.meshes[1]);
  std::vector<double> coord, param;
  int type = 0;
  // the mesh node of every model node, by its tag
  for (std::size_t i = 0; i < map.node_tag.size(); ++i) {
    gmsh::model::mesh::getNode(map.node_tag[i], coord, param);
    for (int a = 0; a < 3; ++a) ASSERT_EQ(static_cast<float>(coord[a]), static_cast<float>(xyz[2 + 4 * i + a])) << i;
  }
  std::map<std::size_t, int> group;  // volume tag of every mesh tetrahedron
  gmsh::vectorpair volumes;
  gmsh::model::getEntities(volumes, 3);
  for (const auto& [dim, entity] : volumes) {
    std::vector<std::size_t> tets, corners;
    std::vector<int> groups;
    gmsh::model::mesh::getElementsByType(4, tets, corners, entity);
    gmsh::model::getPhysicalGroupsForEntity(dim, entity, groups);
    ASSERT_EQ(groups.size(), 1u);
    for (std::size_t t : tets) group[t] = groups[0];
  }
  std::vector<std::size_t> nodes;
  std::set<std::size_t> seen;
  // the mesh element of every model element: same corners, conductivity of its tag
  for (std::size_t e = 0; e < map.elem_tag.size(); ++e) {
    gmsh::model::mesh::getElement(map.elem_tag[e], type, nodes);
    ASSERT_EQ(type, 4);
    for (int c = 0; c < 4; ++c) ASSERT_EQ(map.node_tag[static_cast<std::size_t>(elem[3 + 6 * e + c])], nodes[c]) << e;
    const auto material = static_cast<std::size_t>(elem[3 + 6 * e + 4]);
    EXPECT_EQ(static_cast<float>(prop[material]), static_cast<float>(sigma.at(group.at(map.elem_tag[e])))) << e;
    seen.insert(map.elem_tag[e]);
  }
  EXPECT_EQ(seen.size(), group.size());  // each tetrahedron once
}

// The held nodes are the scalp nodes within the patch radius of the poles, and
// the solution holds them at their potentials; the reference patch's contact
// area is that of the spherical cap, 2 pi R h.
TEST(HeadmeshRoundTrip, PatchesHoldTheirNodesAtTheirPotentials) {
  const Suite& s = solved();
  const std::string& model = s.models[0];
  const mesh_map::MeshMap map = mesh_map::read_map(model + "/headmesh.map");
  const std::vector<double> bcp = numbers(model + "/bcp.dat"), bval = numbers(model + "/bval.dat");
  const std::vector<double> u = potentials(model);
  ASSERT_EQ(bval, (std::vector<double>{2, 1.0, 0.0}));
  std::map<std::size_t, int> held;  // mesh node tag -> code
  for (std::size_t k = 1; k + 1 < bcp.size(); k += 2) {
    const auto node = static_cast<std::size_t>(bcp[k]) - 1;
    held[map.node_tag[node]] = static_cast<int>(bcp[k + 1]);
    EXPECT_EQ(u[node], bval[static_cast<std::size_t>(-bcp[k + 1])]) << "node " << node + 1;
  }

  const headmesh::GmshSession session;
  gmsh::open(s.meshes[0]);
  std::vector<std::size_t> tags;
  std::vector<double> xyz;
  gmsh::model::mesh::getNodesForPhysicalGroup(2, 1005, tags, xyz);
  std::map<std::size_t, int> expected;
  // every scalp node near a pole: code -1 at the top, -2 at the bottom
  for (std::size_t k = 0; k < tags.size(); ++k) {
    const double x = xyz[3 * k], y = xyz[3 * k + 1], z = xyz[3 * k + 2];
    if (std::hypot(x, y, z - scalp) <= chord) expected[tags[k]] = -1;
    if (std::hypot(x, y, z + scalp) <= chord) expected[tags[k]] = -2;
  }
  EXPECT_EQ(held, expected);

  const double h = chord * chord / (2 * scalp);
  const double area = numbers(model + "/ele_size.txt")[0];
  EXPECT_NEAR(area, 2 * M_PI * scalp * h, 0.03 * 2 * M_PI * scalp * h);
}

template <class Reader>
vtkSmartPointer<Reader> read_vtk(const std::string& path) {
  auto r = vtkSmartPointer<Reader>::New();
  r->SetFileName(path.c_str());
  r->Update();
  return r;
}

// With --calibration cortexmap the exported |J| is cortexmap's: the cortex
// surface carries cortexfield.out's values, each of them the exported value of
// an element; the gmsh file holds the same element values with the mesh's
// element tags beside them.
TEST(HeadmeshRoundTrip, ExportedFieldsAreCortexmapsValues) {
  const Suite& s = solved();
  auto grid_reader = read_vtk<vtkXMLUnstructuredGridReader>(s.dir + "/out.vtu");
  vtkUnstructuredGrid* grid = grid_reader->GetOutput();
  auto surface_reader = read_vtk<vtkXMLUnstructuredGridReader>(s.dir + "/out_cortex.vtu");
  vtkUnstructuredGrid* surface = surface_reader->GetOutput();
  const mesh_map::MeshMap map = mesh_map::read_map(s.models[0] + "/headmesh.map");
  ASSERT_EQ(grid->GetNumberOfCells(), static_cast<vtkIdType>(map.elem_tag.size()));
  vtkDataArray* applied = grid->GetFieldData()->GetArray("factor applied: cortexmap's rule");
  ASSERT_NE(applied, nullptr);
  EXPECT_EQ(applied->GetTuple1(0), grid->GetFieldData()->GetArray("factor of cortexmap's rule")->GetTuple1(0));

  // the potentials, as potsolve wrote them
  vtkDataArray* pot = grid->GetPointData()->GetArray("potential (V)");
  const std::vector<double> u = potentials(s.models[0]);
  ASSERT_EQ(pot->GetNumberOfTuples(), static_cast<vtkIdType>(u.size()));
  for (vtkIdType i = 0; i < pot->GetNumberOfTuples(); ++i)
    ASSERT_EQ(static_cast<float>(pot->GetTuple1(i)), static_cast<float>(u[static_cast<std::size_t>(i)]));

  vtkDataArray* jcell = grid->GetCellData()->GetArray("|J| (A/m^2)");
  std::set<float> cell_values;
  for (vtkIdType e = 0; e < jcell->GetNumberOfTuples(); ++e) cell_values.insert(static_cast<float>(jcell->GetTuple1(e)));
  vtkDataArray* jpoint = surface->GetPointData()->GetArray("|J| (A/m^2)");
  const std::vector<double> out = numbers(s.models[0] + "/cortexfield.out");
  const auto npts = static_cast<std::size_t>(jpoint->GetNumberOfTuples());
  ASSERT_GE(out.size(), 6 * npts);
  // every cortical point: cortexmap's printed |J|, and an element that has it
  for (std::size_t p = 0; p < npts; ++p) {
    const auto j = static_cast<float>(jpoint->GetTuple1(static_cast<vtkIdType>(p)));
    EXPECT_EQ(textio::field_e(j, 18, 8), textio::field_e(out[6 * p + 4], 18, 8)) << "point " << p + 1;
    EXPECT_TRUE(cell_values.count(j)) << "point " << p + 1;
  }

  const headmesh::GmshSession session;
  gmsh::open(s.dir + "/out.msh");
  std::vector<int> views;
  gmsh::view::getTags(views);
  std::map<std::string, std::map<std::size_t, double>> view;  // name prefix -> element -> value
  // the |J|, mesh element tag and potential views, by the file's element and node numbers
  for (int v : views) {
    std::string name;
    gmsh::option::getString("View[" + std::to_string(gmsh::view::getIndex(v)) + "].Name", name);
    for (const char* wanted : {"|J|", "mesh element tag", "potential"}) {
      if (name.rfind(wanted, 0) != 0) continue;
      std::string type;
      std::vector<std::size_t> tags;
      std::vector<std::vector<double>> data;
      double time = 0;
      int components = 0;
      gmsh::view::getModelData(v, 0, type, tags, data, time, components);
      for (std::size_t k = 0; k < tags.size(); ++k) view[wanted][tags[k]] = data[k][0];
    }
  }
  ASSERT_EQ(view["potential"].size(), u.size());
  for (const auto& [i, v] : view["potential"]) ASSERT_EQ(static_cast<float>(v), static_cast<float>(u[i - 1])) << i;
  ASSERT_EQ(view["|J|"].size(), map.elem_tag.size());
  ASSERT_EQ(view["mesh element tag"].size(), map.elem_tag.size());
  std::map<std::size_t, float> by_tag;  // |J| by the mesh's element tag
  for (const auto& [k, tag] : view["mesh element tag"]) by_tag[static_cast<std::size_t>(tag)] = static_cast<float>(view["|J|"].at(k));
  for (std::size_t e = 0; e < map.elem_tag.size(); ++e)
    ASSERT_EQ(by_tag.at(map.elem_tag[e]), static_cast<float>(jcell->GetTuple1(static_cast<vtkIdType>(e))));
}

// The solution does not depend on the node order: the importer's order against
// the mesh's own, node by node through the mesh tags.
TEST(HeadmeshRoundTrip, RenumberingLeavesTheSolutionUnchanged) {
  const Suite& s = solved();
  ASSERT_EQ(run(s.dir, headmesh("import '" + s.meshes[0] + "' --out '" + s.kept + "' --keep-order" + import_options)), 0);
  ASSERT_EQ(run(s.kept, hmtest::program("potsolve")), 0);
  const mesh_map::MeshMap ordered = mesh_map::read_map(s.models[0] + "/headmesh.map");
  const mesh_map::MeshMap kept = mesh_map::read_map(s.kept + "/headmesh.map");
  const std::vector<double> u = potentials(s.models[0]), v = potentials(s.kept);
  ASSERT_EQ(u.size(), ordered.node_tag.size());
  ASSERT_EQ(v.size(), kept.node_tag.size());
  EXPECT_NE(ordered.node_tag, kept.node_tag);  // the orders differ
  std::map<std::size_t, double> by_tag;
  for (std::size_t i = 0; i < v.size(); ++i) by_tag[kept.node_tag[i]] = v[i];
  double worst = 0.0;
  for (std::size_t i = 0; i < u.size(); ++i) worst = std::max(worst, std::fabs(u[i] - by_tag.at(ordered.node_tag[i])));
  EXPECT_LT(worst, 1e-6);
  EXPECT_GT(by_tag.size(), 1000u);
}

}  // namespace
