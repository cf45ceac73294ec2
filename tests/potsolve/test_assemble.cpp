// Global assembly, its failures in element order, and their record in the run.
#include <gtest/gtest.h>

#include "common/files.h"
#include "common/runner.h"
#include "fixture.h"
#include "potsolve/assemble.h"
#include "potsolve/pattern_cache.h"
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

// The failure that assemble throws: "flat e" or "miss i j rowend rowstart".
std::string failure(potsolve::ModelStore& m, std::int32_t block = potsolve::block_elements) {
  try {
    potsolve::assemble(m, m.nnode, m.nelem, block);
  } catch (const potsolve::ZeroVolume& z) {
    return "flat " + std::to_string(z.element);
  } catch (const potsolve::MissingCoupling& c) {
    return "miss " + std::to_string(c.i) + " " + std::to_string(c.j) + " " + std::to_string(c.rowend) + " " +
           std::to_string(c.rowstart);
  }
  return "none";
}

TEST(Assemble, FirstFailureInElementOrder) {
  // the pattern of (1,2,3,4),(2,3,4,5), the mesh of (1,2,3,4),(1,3,4,5)
  potsolve::ModelStore m = fixture::make_store(five_nodes(2));
  m.ielem = five_nodes(1).ielem;
  EXPECT_EQ(failure(m), "miss 1 5 4 0");
  // local row 1 first: (5,3,4,1) misses (5,1) at the start of row 5
  potsolve::ModelStore r = m;
  r.ielem = {0, 0, 0, 0, 1, 2, 3, 4, 5, 3, 4, 1};
  EXPECT_EQ(failure(r), "miss 5 1 23 19");
  // element 2 flat too (node 5 into the plane x = 0): its volume comes first
  potsolve::ModelStore f = m;
  f.xyz[3 * 5] = 0.0f;
  EXPECT_EQ(failure(f), "flat 2");
  // element 1 flat (node 2 into the plane x = 0), element 2 missing a coupling
  potsolve::ModelStore g = m;
  g.xyz[3 * 2] = 0.0f;
  EXPECT_EQ(failure(g), "flat 1");
  // a third element, flat, after the missing coupling of element 2
  testmesh::Mesh three = five_nodes(2);
  three.nelem = 3;
  three.ielem.insert(three.ielem.end(), {2, 3, 4, 2});
  three.imat.push_back(1);
  potsolve::ModelStore h = fixture::make_store(three);
  h.ielem = {0, 0, 0, 0, 1, 2, 3, 4, 1, 3, 4, 5, 2, 3, 4, 2};
  EXPECT_EQ(failure(h), "miss 1 5 4 0");
  // the same with one element per block
  EXPECT_EQ(failure(h, 1), "miss 1 5 4 0");
  EXPECT_EQ(failure(f, 1), "flat 2");
}

TEST(Assemble, StaleCacheIsReportedByTheRun) {
  // the cache of (1,2,3,4),(2,3,4,5) read for the mesh of (1,2,3,4),(1,3,4,5)
  const std::string dir = testmesh::fresh_dir("stale-cache");
  testmesh::write_model(dir, five_nodes(1), {{1.0f}, {1.0f}, {{1, -1}}});
  const potsolve::ModelStore stale = fixture::make_store(five_nodes(2));
  potsolve::write_pattern_cache(dir + "/irowjcol.da0", 5, stale.irow, stale.jcol);
  const testrun::Result run = testrun::run("potsolve", dir);
  EXPECT_EQ(run.status, textio::exit_handled);
  const std::string last = " Assemble the Stiffness matrix \nCannot find jcoll      1      5      4      0\n";
  ASSERT_GE(run.console.size(), last.size());
  EXPECT_EQ(run.console.substr(run.console.size() - last.size()), last) << run.console;
}

TEST(Assemble, ZeroVolumeElementIsNamed) {
  // element 4 with a repeated corner, element 6 on the corners 1 2 3 4 of one face of the cube
  for (const int e : {4, 6}) {
    potsolve::ModelStore m = fixture::make_store(testmesh::brick(1, 1, 1));
    for (int k = 0; k < 4; ++k) m.ielem[4 * e + k] = e == 6 ? k + 1 : m.ielem[4 * e + (k == 2 ? 0 : k)];
    EXPECT_EQ(failure(m), "flat " + std::to_string(e));
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
    literal::assemble(slow, slow.nnode, slow.nelem);
    // in one block, and in blocks of 7 elements
    for (const std::int32_t block : {potsolve::block_elements, 7}) {
      potsolve::ModelStore work = fast;
      potsolve::assemble(work, work.nnode, work.nelem, block);
      EXPECT_EQ(fixture::first_bit_difference(work.amat, slow.amat), -1) << mesh.nnode << " " << block;
      EXPECT_EQ(fixture::first_bit_difference(work.rhs, slow.rhs), -1) << mesh.nnode << " " << block;
    }
  }
}

}  // namespace
