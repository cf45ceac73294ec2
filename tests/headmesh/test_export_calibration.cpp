// headmesh export's exact electrode current and the normal component on the
// cortex: the reaction current of a slab against its closed form, the
// calibrated reference current of the test head against ele_size.txt, and
// the sign of the normal component where the current's direction is known.
#include <gtest/gtest.h>
#include <vtkDataArray.h>
#include <vtkFieldData.h>
#include <vtkPointData.h>
#include <vtkSmartPointer.h>
#include <vtkUnstructuredGrid.h>
#include <vtkXMLUnstructuredGridReader.h>

#include <cmath>

#include "common/files.h"
#include "common/meshgen.h"
#include "headmesh/pipeline.h"
#include "shared/tetra.h"

namespace {

using hmtest::numbers;
using hmtest::program;
using hmtest::run;

vtkSmartPointer<vtkUnstructuredGrid> read_vtu(const std::string& path) {
  auto r = vtkSmartPointer<vtkXMLUnstructuredGridReader>::New();
  r->SetFileName(path.c_str());
  r->Update();
  return r->GetOutput();
}

double field_value(vtkUnstructuredGrid* g, const char* name, int k = 0) {
  vtkDataArray* a = g->GetFieldData()->GetArray(name);
  EXPECT_NE(a, nullptr) << name;
  return a ? a->GetTuple1(k) : 0.0;
}

// A slab of 6 x 2 x 2 cubes of 10 mm (0.3 S/m), x = 0 held at 1 V (the
// reference electrode), x = 60 mm at 0 V, 1 mA over 100 mm^2, and a square
// "cortex" across it at x = 25 mm whose triangles run counter-clockwise seen
// from +x (outward normal +x) or from -x; solved, mapped and exported.
std::string slab(bool facing_plus_x) {
  const std::string dir = testmesh::fresh_dir(facing_plus_x ? "slab-plus" : "slab-minus");
  const testmesh::Mesh mesh = testmesh::brick(6, 2, 2, 10.0f);
  testmesh::write_model(dir, mesh, testmesh::end_faces(mesh, 60.0f, {0.3f}), 0.001f);
  testmesh::write_file(dir + "/ele_size.txt", "100.0 1.0\n");
  testmesh::write_file(dir + "/cortex.dat", std::string("4 2\n25 5 5\n25 15 5\n25 15 15\n25 5 15\n") +
                                                (facing_plus_x ? "1 2 3\n1 3 4\n" : "1 3 2\n1 4 3\n"));
  EXPECT_EQ(run(dir, program("potsolve")), 0);
  EXPECT_EQ(run(dir, program("cortexmap")), 0);
  EXPECT_EQ(run(dir, program("headmesh", "export . --out out.vtu")), 0) << testmesh::read_file(dir + "/.console");
  return dir;
}

// The slab carries sigma * A * V / L = 0.3 * 4e-4 / 0.06 = 2 mA out of the
// 1 V face; its E is 1/0.06 V/m along +x before calibration, so the normal
// component into the cortex is -|E| when the outward normal is +x (the
// current leaves the cortex there) and +|E| when it is -x.
TEST(ExportCalibration, NormalComponentHasTheStatedSignOnASlab) {
  for (const bool plus_x : {true, false}) {
    const std::string dir = slab(plus_x);
    const auto grid = read_vtu(dir + "/out.vtu");
    // to the solver's tolerance
    EXPECT_NEAR(field_value(grid, "electrode currents before calibration (A), codes -1, -2, ...", 0), 0.002, 2e-8);
    EXPECT_NEAR(field_value(grid, "electrode currents before calibration (A), codes -1, -2, ...", 1), -0.002, 2e-8);
    const double factor = field_value(grid, "factor applied: exact electrode current");
    EXPECT_NEAR(factor, 0.5, 1e-5);  // 1 mA wanted, 2 mA solved
    const auto cortex = read_vtu(dir + "/out_cortex.vtu");
    vtkDataArray* en = cortex->GetPointData()->GetArray("E normal (V/m, + into the cortex)");
    vtkDataArray* jn = cortex->GetPointData()->GetArray("J normal (A/m^2, + into the cortex)");
    vtkDataArray* normal = cortex->GetPointData()->GetArray("normal (into the cortex)");
    ASSERT_TRUE(en && jn && normal);
    ASSERT_EQ(en->GetNumberOfTuples(), 4);
    const double sign = plus_x ? -1.0 : 1.0;
    for (vtkIdType p = 0; p < 4; ++p) {  // every point: the stated sign, the whole field normal to the plane
      EXPECT_NEAR(normal->GetComponent(p, 0), sign, 1e-6) << p;
      EXPECT_NEAR(en->GetTuple1(p), sign * factor / 0.06, 1e-4) << p;
      EXPECT_NEAR(jn->GetTuple1(p), 0.3 * en->GetTuple1(p), 1e-5) << p;
    }
  }
}

// The reaction current of the reference electrode (code -1) of a model,
// assembled here from the model files and POTENT.OUT: sum over its held
// nodes i and their elements e of sigma_e V_e grad N_i . grad u, with the
// solver's 32-bit conductivities and coordinates.
double reference_current(const std::string& dir) {
  const std::vector<double> xyz = numbers(dir + "/xyz.dat"), elem = numbers(dir + "/elem.dat"),
                            prop = numbers(dir + "/prop.dat"), bcp = numbers(dir + "/bcp.dat");
  const std::vector<double> u = hmtest::potentials(dir);
  std::vector<bool> held(u.size(), false);
  for (std::size_t k = 1; k + 1 < bcp.size(); k += 2) held[static_cast<std::size_t>(bcp[k]) - 1] = bcp[k + 1] == -1;
  double current = 0.0;
  for (std::size_t e = 0; 2 + 6 * e + 5 < elem.size(); ++e) {  // every element with a held corner
    std::size_t c[4];
    double p[4][3], v[4];
    bool any = false;
    for (int k = 0; k < 4; ++k) {
      c[k] = static_cast<std::size_t>(elem[3 + 6 * e + k]);
      any = any || held[c[k]];
      for (int a = 0; a < 3; ++a) p[k][a] = static_cast<float>(xyz[2 + 4 * c[k] + a]) * 0.001f;
      v[k] = u[c[k]];
    }
    if (!any) continue;
    const shared::Tetra t = shared::tetra(p);
    double g[3];
    shared::gradient(t, v, g);
    const double sigma = static_cast<float>(prop[static_cast<std::size_t>(elem[3 + 6 * e + 4])]);
    for (int k = 0; k < 4; ++k)
      if (held[c[k]]) current += sigma * std::fabs(t.det) / 6.0 * shared::dot(t.cof[k], g) / t.det;
  }
  return current;
}

// On the test head the exact calibration makes the reference electrode carry
// ele_size.txt's 2 mA; cortexmap's factor is in the file beside it.
TEST(ExportCalibration, ExactCalibrationGivesTheReferenceElectrodeTheCurrentOfEleSize) {
  const std::string dir = testmesh::fresh_dir("head-export");
  ASSERT_EQ(run(dir, program("headmesh", "import '" + hmtest::test_head() +
                                             "' --out model --cortex-of 2 --patch 55,2,58,15=1 "
                                             "--patch -55,2,58,15=0 --current 2")), 0);
  ASSERT_EQ(run(dir + "/model", program("potsolve")), 0);
  ASSERT_EQ(run(dir, program("headmesh", "export model --out out.vtu")), 0);
  const auto grid = read_vtu(dir + "/out.vtu");
  const double factor = field_value(grid, "factor applied: exact electrode current");
  EXPECT_NEAR(factor * reference_current(dir + "/model"), 0.002, 0.002 * 1e-9);
  EXPECT_GT(field_value(grid, "factor of cortexmap's rule"), 0.0);
  EXPECT_EQ(field_value(grid, "factor of the exact electrode current"), factor);
}

}  // namespace
