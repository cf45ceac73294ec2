// Global assembly and the search of a coupling in the pattern.
#include <gtest/gtest.h>

#include "fixture.h"
#include "potsolve/assemble.h"
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
    ADD_FAILURE() << "the run did not stop";
  } catch (const textio::Stop& stop) {
    EXPECT_EQ(stop.status, 1);
  }
  return capture.text();
}

TEST(Assemble, StalePatternStopsWithCannotFindJcoll) {
  // the pattern of (1,2,3,4),(2,3,4,5), the mesh of (1,2,3,4),(1,3,4,5)
  potsolve::ModelStore m = fixture::make_store(five_nodes(2));
  m.ielem = five_nodes(1).ielem;
  EXPECT_EQ(stopped_text([&] { potsolve::assemble(m, 5, 2); }),
            "Cannot find jcoll      1      5      4      0\n");
  // the miss reports the row's bounds; a miss at the start of a row, too
  EXPECT_EQ(stopped_text([&] { potsolve::find_jcoll(m, 5, 1); }),
            "Cannot find jcoll      5      1     23     19\n");
}

TEST(Assemble, ZeroVolumeElementStopsNamingIt) {
  // element 4 with a repeated corner, element 6 on the corners 1 2 3 4 of one face of the cube
  for (const int e : {4, 6}) {
    potsolve::ModelStore m = fixture::make_store(testmesh::brick(1, 1, 1));
    for (int k = 0; k < 4; ++k) m.ielem[4 * e + k] = e == 6 ? k + 1 : m.ielem[4 * e + (k == 2 ? 0 : k)];
    EXPECT_EQ(stopped_text([&] { potsolve::assemble(m, m.nnode, m.nelem); }),
              "  Element           " + std::to_string(e) + " has zero volume\n");
  }
}

TEST(Assemble, SameBitsAsLinearScanAssembly) {
  std::vector<testmesh::Mesh> meshes = {testmesh::brick(4, 3, 5, 0.37f, 3), testmesh::brick(1, 1, 1)};
  // random meshes without repeated corners, with isolated nodes
  for (unsigned seed : {1u, 2u, 3u, 4u}) meshes.push_back(testmesh::random_mesh(500, 1800, seed, 0.0, 5));
  for (const testmesh::Mesh& mesh : meshes) {
    potsolve::ModelStore fast = fixture::make_store(mesh);
    // stale values must be cleared: amat and rhs start from +0.0
    std::fill(fast.amat.begin() + 1, fast.amat.end(), 7.0);
    std::fill(fast.rhs.begin() + 1, fast.rhs.end(), -3.0);
    potsolve::ModelStore slow = fast;
    potsolve::assemble(fast, fast.nnode, fast.nelem);
    literal::assemble(slow, slow.nnode, slow.nelem);
    EXPECT_EQ(fixture::first_bit_difference(fast.amat, slow.amat), -1) << mesh.nnode;
    EXPECT_EQ(fixture::first_bit_difference(fast.rhs, slow.rhs), -1) << mesh.nnode;
  }
}

}  // namespace
