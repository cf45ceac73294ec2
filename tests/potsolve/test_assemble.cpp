// Global assembly and the search of a coupling in the pattern.
#include <gtest/gtest.h>

#include <cmath>

#include "common/meshgen.h"
#include "literal_assembly.h"
#include "potsolve/assemble.h"
#include "potsolve/element.h"
#include "textio/console.h"
#include "textio/errors.h"

namespace {

// Five nodes and the two elements (1,2,3,4) and (2,3,4,5) or, with second_corner
// = 1, (1,3,4,5); corner 5 sits above the face 2-3-4.
testmesh::Mesh five_nodes(std::int32_t second_corner) {
  testmesh::Mesh mesh;
  mesh.nnode = 5;
  mesh.xyz = {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1};
  mesh.nelem = 2;
  mesh.ielem = {0, 0, 0, 0, 1, 2, 3, 4, second_corner, 3, 4, 5};
  mesh.imat = {0, 1, 1};
  return mesh;
}

// Runs f, expecting it to end the run with status 1; returns the console text.
template <class F>
std::string stopped_text(F f) {
  textio::ConsoleCapture capture;
  try {
    f();
  } catch (const textio::Stop& stop) {
    EXPECT_EQ(stop.status, 1);
    return capture.text();
  }
  ADD_FAILURE() << "the run did not stop";
  return capture.text();
}

TEST(Assemble, DiagonalSumsElementDiagonalsAndClearsRhs) {
  testmesh::Mesh mesh = testmesh::brick(3, 2, 2, 0.5f, 3);
  potsolve::ModelStore m = literal::make_store(mesh);
  // stale values must be cleared
  std::fill(m.amat.begin(), m.amat.end(), 7.0);
  std::fill(m.rhs.begin(), m.rhs.end(), -3.0);
  potsolve::assemble(m, m.nnode, m.nelem);

  std::vector<double> diag(m.nnode + 1, 0.0);
  // each node's ek diagonal over its elements, in element order
  for (std::int32_t e = 1; e <= m.nelem; ++e) {
    float xe[3][4];
    for (int k = 0; k < 4; ++k)
      for (int c = 0; c < 3; ++c) xe[c][k] = m.xyz[3 * m.ielem[4 * e + k] + c];
    double ek[4][4], fe[4];
    ASSERT_TRUE(potsolve::element_matrix(xe, m.sigel[e], ek, fe));
    for (int k = 0; k < 4; ++k) diag[m.ielem[4 * e + k]] += ek[k][k];
  }
  for (std::int32_t i = 1; i <= m.nnode; ++i) {
    EXPECT_EQ(m.amat[literal::find_jcoll(m, i, i)], diag[i]) << "node " << i;
    EXPECT_EQ(m.rhs[i], 0.0);
    EXPECT_FALSE(std::signbit(m.rhs[i]));
    // rows sum to zero: a mesh without fixed nodes gives a singular matrix
    double sum = 0.0;
    for (std::int32_t p = m.irow[i - 1] + 1; p <= m.irow[i]; ++p) sum += m.amat[p];
    EXPECT_NEAR(sum, 0.0, 1e-12 * diag[i]);
  }
}

TEST(Assemble, StalePatternStopsWithCannotFindJcoll) {
  // the pattern of (1,2,3,4),(2,3,4,5), the mesh of (1,2,3,4),(1,3,4,5)
  potsolve::ModelStore m = literal::make_store(five_nodes(2));
  ASSERT_EQ(m.irow, (std::vector<std::int32_t>{0, 4, 9, 14, 19, 23}));
  const testmesh::Mesh current = five_nodes(1);
  m.ielem = current.ielem;
  EXPECT_EQ(stopped_text([&] { potsolve::assemble(m, 5, 2); }),
            "Cannot find jcoll      1      5      4      0\n");
  // the miss reports the row's bounds; a miss at the start of a row, too
  EXPECT_EQ(stopped_text([&] { potsolve::find_jcoll(m, 5, 1); }),
            "Cannot find jcoll      5      1     23     19\n");
}

TEST(Assemble, ZeroVolumeElementStopsNamingIt) {
  potsolve::ModelStore m = literal::make_store(testmesh::brick(1, 1, 1));
  // element 4 with a repeated corner
  potsolve::ModelStore rep = m;
  rep.ielem[4 * 4 + 2] = rep.ielem[4 * 4 + 0];
  EXPECT_EQ(stopped_text([&] { potsolve::assemble(rep, rep.nnode, rep.nelem); }),
            "  Element           4 has zero volume\n");
  // element 6 on four corners of one face of the cube
  potsolve::ModelStore flat = m;
  const std::int32_t face[4] = {1, 2, 3, 4};
  for (int k = 0; k < 4; ++k) flat.ielem[4 * 6 + k] = face[k];
  EXPECT_EQ(stopped_text([&] { potsolve::assemble(flat, flat.nnode, flat.nelem); }),
            "  Element           6 has zero volume\n");
}

TEST(Assemble, SameBitsAsLinearScanAssembly) {
  std::vector<testmesh::Mesh> meshes = {testmesh::brick(4, 3, 5, 0.37f, 3),
                                        testmesh::brick(1, 1, 1)};
  // random meshes without repeated corners, with isolated nodes
  for (unsigned seed : {1u, 2u, 3u, 4u}) meshes.push_back(testmesh::random_mesh(500, 1800, seed, 0.0, 5));
  for (const testmesh::Mesh& mesh : meshes) {
    potsolve::ModelStore fast = literal::make_store(mesh);
    potsolve::ModelStore slow = fast;
    potsolve::assemble(fast, fast.nnode, fast.nelem);
    literal::assemble(slow, slow.nnode, slow.nelem);
    EXPECT_EQ(literal::first_bit_difference(fast.amat, slow.amat), -1) << mesh.nnode;
    EXPECT_EQ(literal::first_bit_difference(fast.rhs, slow.rhs), -1) << mesh.nnode;
  }
}

}  // namespace
