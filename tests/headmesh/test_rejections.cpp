// Every rejected import: one line, exit status 1, and nothing written into DIR.
#include <gmsh.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/meshgen.h"
#include "capacity.h"
#include "headmesh/limits.h"
#include "headmesh/error.h"
#include "headmesh/gmsh_session.h"
#include "headmesh/meshes.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string message;
};

// headmesh import MESH --out DIR ARGS, where DIR holds one file of the user's.
Outcome import_into_used_dir(const std::string& dir, const std::string& mesh, const std::string& args) {
  fs::remove_all(dir + "/model");
  fs::create_directories(dir + "/model");
  testmesh::write_file(dir + "/model/notes.txt", "mine\n");
  const std::string cmd = "cd '" + dir + "' && '" BIN_DIR "/headmesh' import '" + mesh + "' --out model " + args +
                          " </dev/null >.console 2>&1";
  const int raw = std::system(cmd.c_str());
  Outcome o;
  o.status = raw == -1 ? -1 : WEXITSTATUS(raw);
  o.message = testmesh::read_file(dir + "/.console");
  // the directory holds the user's file and nothing else
  for (const auto& entry : fs::directory_iterator(dir + "/model"))
    EXPECT_EQ(entry.path().filename(), "notes.txt") << args;
  return o;
}

// The rejected input of each case and a word its message must hold.
TEST(HeadmeshRejections, RejectedImportsWriteNothing) {
  const std::string dir = testmesh::fresh_dir("headmesh-reject");
  const std::string sphere = hmtest::sphere_meshes(dir, 20.0)[0];
  testmesh::write_file(dir + "/garbage.msh", "$MeshFormat\nthis is not a mesh\n");
  // twelve scalp nodes, each the centre of a patch of 1 mm holding it alone
  std::string patches;
  {
    const headmesh::GmshSession session;
    gmsh::open(sphere);
    std::vector<std::size_t> tags;
    std::vector<double> xyz;
    gmsh::model::mesh::getNodesForPhysicalGroup(2, 1005, tags, xyz);
    ASSERT_GE(tags.size(), 60u);
    for (int k = 0; k <= headmesh::max_potentials(); ++k)
      patches += " --patch " + std::to_string(xyz[3 * k]) + "," + std::to_string(xyz[3 * k + 1]) + "," +
                 std::to_string(xyz[3 * k + 2]) + ",1=" + std::to_string(k);
  }
  // caps with one fault each
  testmesh::write_file(dir + "/twice.csv", "A,0,0,92\nElectrode,0,92,0,A\n");
  testmesh::write_file(dir + "/malformed.csv", "A,0,0,92\nB,0,x,92\n");
  testmesh::write_file(dir + "/overlap.csv", "A,0,0,92\nB,0,10,91.5\n");
  testmesh::write_file(dir + "/empty.csv", "A,0,0,92\nB,500,0,0\n");
  struct Case {
    std::string mesh, args, word;
  };
  const Case cases[] = {
      {dir + "/missing.msh", "--electrode 1005=1", "no such file"},
      {dir + "/garbage.msh", "--electrode 1005=1", "cannot read"},
      {hmtest::surface_only_mesh(dir), "--electrode 1=1", "no tetrahedra"},
      {hmtest::second_order_mesh(dir), "--electrode 1=1", "order 1"},
      {hmtest::hexahedron_mesh(dir), "--electrode 1=1", "first-order tetrahedra only"},
      {hmtest::tag42_mesh(dir), "--electrode 42=1", "no conductivity for the volume tag(s) 42"},
      {sphere, "--patch 0,0,92,30=1 --patch 0,0,92,40=0", "belongs to two electrodes"},
      {sphere, "--patch 0,0,92,30=1 --patch 500,0,0,30=0", "holds no node"},
      {sphere, "--electrode 1005=1 --electrode 77=0", "no surface or volume physical tag 77"},
      {sphere, patches, "POTSOLVE_MAXBVAL"},
      {sphere, "--positions '" + dir + "/twice.csv'", "the electrode name A appears twice"},
      {sphere, "--positions '" + dir + "/malformed.csv'", "row 2: 'x' is not a coordinate"},
      {sphere, "--positions '" + dir + "/overlap.csv' --electrode-radius 30", "electrodes A and B overlap"},
      {sphere, "--positions '" + dir + "/empty.csv'", "electrode B: no outer-surface node"},
  };
  // every case: status 1, one line naming the fault
  for (const Case& c : cases) {
    const Outcome o = import_into_used_dir(dir, c.mesh, c.args);
    EXPECT_EQ(o.status, 1) << c.word << ": " << o.message;
    EXPECT_NE(o.message.find(c.word), std::string::npos) << o.message;
    EXPECT_EQ(o.message.find('\n'), o.message.size() - 1) << o.message;
  }
}

// A mesh beyond a capacity names the limit and the CMake option that raises it.
TEST(HeadmeshRejections, CapacitiesNameTheirOption) {
  headmesh::ModelSize size;
  size.nodes = 1000;
  size.elements = 5000;
  size.stored_terms = capacity::potsolve_maxnz + 1;
  try {
    headmesh::check_capacity(size);
    ADD_FAILURE() << "accepted " << size.stored_terms << " stored terms";
  } catch (const headmesh::Error& e) {
    EXPECT_NE(std::string(e.what()).find("POTSOLVE_MAXNZ"), std::string::npos) << e.what();
  }
  size.stored_terms = 1000;
  size.nodes = capacity::potsolve_maxnode + 1;
  EXPECT_THROW(headmesh::check_capacity(size), headmesh::Error);
  size.nodes = capacity::potsolve_maxnode;
  EXPECT_NO_THROW(headmesh::check_capacity(size));
}

}  // namespace
