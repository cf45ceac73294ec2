// headmesh against untrusted meshes, hostile command lines and re-used model
// directories. A mesh of 5x5x5 cubes is written here as a gmsh .msh file and
// spoilt one way per case; every case runs headmesh and checks the sound
// outcome: one line naming the cause (and the tag or option), its status, no
// signal, no hang, and the directory as it was, or when the run succeeds,
// exactly the files it should leave.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>

#include "common/meshgen.h"
#include "robustness/files.h"

namespace {

namespace fs = std::filesystem;
using robust::Files;

// A tetrahedral mesh as a .msh file holds it: tags and all.
struct Msh {
  std::vector<std::int64_t> node_tag;
  std::vector<double> xyz;
  std::vector<std::int64_t> elem_tag;
  std::vector<std::array<std::int64_t, 4>> elem;
  std::int32_t volume_tag = 1;

  void add_tet(std::array<std::int64_t, 4> nodes) {
    elem_tag.push_back(elem_tag.back() + 1);
    elem.push_back(nodes);
  }
  // Gives the node with the tag from a new tag, in the elements too.
  void retag(std::int64_t from, std::int64_t to) {
    for (auto& t : node_tag) t = t == from ? to : t;
    for (auto& e : elem)
      for (auto& n : e) n = n == from ? to : n;
  }
};

// The brick of 5x5x5 unit cubes of the tests' meshes, tags from 1.
Msh cube() {
  const testmesh::Mesh m = testmesh::brick(5, 5, 5);
  Msh out;
  for (std::int32_t i = 1; i <= m.nnode; ++i) {  // nodes and elements in their order
    out.node_tag.push_back(static_cast<std::int64_t>(i));
    for (int c = 0; c < 3; ++c) out.xyz.push_back(m.xyz[3 * i + c]);
  }
  for (std::int32_t e = 1; e <= m.nelem; ++e) {
    out.elem_tag.push_back(static_cast<std::int64_t>(e));
    std::array<std::int64_t, 4> n{};
    for (int k = 0; k < 4; ++k) n[k] = static_cast<std::int64_t>(m.ielem[4 * e + k]);
    out.elem.push_back(n);
  }
  return out;
}

// The mesh in gmsh's format 4.1, ASCII or binary: one volume entity with the
// volume tag.
std::string msh41(const Msh& m, bool binary) {
  std::string s = std::string("$MeshFormat\n4.1 ") + (binary ? "1" : "0") + " 8\n";
  const auto put = [&](auto v) { s.append(reinterpret_cast<const char*>(&v), sizeof v); };
  const auto range = [](const std::vector<std::int64_t>& t) {
    return std::make_pair(*std::min_element(t.begin(), t.end()), *std::max_element(t.begin(), t.end()));
  };
  const auto [nlow, nhigh] = range(m.node_tag);
  const auto [elow, ehigh] = range(m.elem_tag);
  const std::size_t nn = m.node_tag.size(), ne = m.elem.size();
  if (binary) {
    put(1);
    s += "\n$EndMeshFormat\n$Entities\n";
    for (std::size_t v : {0, 0, 0, 1}) put(v);
    put(1);
    for (double b : {0, 0, 0, 5, 5, 5}) put(b);
    put(std::size_t{1}), put(m.volume_tag), put(std::size_t{0});
    s += "\n$EndEntities\n$Nodes\n";
    for (std::int64_t v : {std::int64_t{1}, std::int64_t(nn), nlow, nhigh}) put(v);
    put(3), put(1), put(0), put(nn);
    for (auto t : m.node_tag) put(t);
    for (double x : m.xyz) put(x);
    s += "\n$EndNodes\n$Elements\n";
    for (std::int64_t v : {std::int64_t{1}, std::int64_t(ne), elow, ehigh}) put(v);
    put(3), put(1), put(4), put(ne);
    for (std::size_t e = 0; e < ne; ++e) {
      put(m.elem_tag[e]);
      for (auto n : m.elem[e]) put(n);
    }
    return s + "\n$EndElements\n";
  }
  std::ostringstream o;
  o << "$EndMeshFormat\n$Entities\n0 0 0 1\n1 0 0 0 5 5 5 1 " << m.volume_tag << " 0\n$EndEntities\n";
  o << "$Nodes\n1 " << nn << " " << nlow << " " << nhigh << "\n3 1 0 " << nn << "\n";
  for (auto t : m.node_tag) o << t << "\n";
  for (std::size_t i = 0; i < nn; ++i) o << m.xyz[3 * i] << " " << m.xyz[3 * i + 1] << " " << m.xyz[3 * i + 2] << "\n";
  o << "$EndNodes\n$Elements\n1 " << ne << " " << elow << " " << ehigh << "\n3 1 4 " << ne << "\n";
  for (std::size_t e = 0; e < ne; ++e)
    o << m.elem_tag[e] << " " << m.elem[e][0] << " " << m.elem[e][1] << " " << m.elem[e][2] << " " << m.elem[e][3] << "\n";
  o << "$EndElements\n";
  return s + o.str();
}

// Electrodes on two corners of the cube.
const std::string electrodes = " --patch 0,0,0,1.5=1 --patch 5,5,5,1.5=0";

struct Case {
  const char* name;
  std::function<std::string()> mesh;  // the bytes of mesh.msh
  std::string args;                   // after "headmesh"; in the case's directory
  int status;
  const char* word;                   // in the one line of a failure, or in a warning
  std::function<bool(const std::string& dir)> setup = nullptr;  // before the run (and its snapshot); false: not here
  std::function<void(const std::string& dir)> after = nullptr;  // checks of a run that succeeds
};

const std::string import_args = "import mesh.msh --out model" + electrodes;

std::string spoilt(const std::function<void(Msh&)>& change, bool binary = false) {
  Msh m = cube();
  change(m);
  return msh41(m, binary);
}

// A model of this mesh in model/ (with a cortex and ele_size.txt) and the files
// potsolve and cortexmap would have added, as left by an earlier, other import.
bool earlier_model(const std::string& dir) {
  const std::string bin = BIN_DIR "/headmesh";
  const child::Result r = child::run(bin, "import mesh.msh --out model --cortex-of 1 --surface --current 2 --keep-order" + electrodes, dir);
  EXPECT_EQ(r.status, 0) << r.console;
  for (const char* name : {"POTENT.OUT", "irowjcol.da0", "cortexfield.out", "cortexfield.tec", "cortexfield.ply"})
    testmesh::write_file(dir + "/model/" + name, "earlier\n");
  return r.status == 0;
}

// The word at (line, word), both from 0, of a file replaced by value.
bool spoil_file(const std::string& path, std::size_t line, std::size_t word, const std::string& value) {
  std::vector<std::string> lines = robust::lines(testmesh::read_file(path));
  if (line >= lines.size()) return false;
  std::istringstream in(lines[line]);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  if (word >= words.size()) return false;
  words[word] = value;
  lines[line].clear();
  for (const std::string& w : words) lines[line] += (lines[line].empty() ? "" : " ") + w;
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  testmesh::write_file(path, text);
  return true;
}

// The mesh imported into model/ and solved there.
bool solved_model(const std::string& dir) {
  const child::Result a = child::run(BIN_DIR "/headmesh", import_args, dir);
  const child::Result b = child::run(BIN_DIR "/potsolve", "", dir + "/model");
  EXPECT_EQ(a.status + b.status, 0) << a.console << b.console.substr(0, 2000);
  return a.status + b.status == 0;
}

std::vector<Case> cases() {
  const auto two_pow = [](int k) { return std::int64_t{1} << k; };
  return {
      // a file that is not a mesh is not run as a script
      {"ScriptIsNotRun", [] { return std::string("System \"touch MARKER\";\n"); }, import_args, 1, "does not begin with $MeshFormat",
       nullptr, nullptr},
      {"EndlessScriptIsNotRun", [] { return std::string("For i In {1:1e15}\nEndFor\n"); }, import_args, 1,
       "does not begin with $MeshFormat"},
      // node tags that crash gmsh, alias another node or appear twice
      {"NodeTagBeyond31Bits", [&] { return spoilt([&](Msh& m) { m.retag(1, two_pow(31)); }); }, import_args, 1,
       "node tag 2147483648 is outside"},
      {"NodeTagAliasingNodeOne", [&] { return spoilt([&](Msh& m) { m.retag(1, two_pow(32) + 1); }); }, import_args, 1,
       "node tag 4294967297 is outside"},
      {"BinaryNodeTagCorrupted", [&] { return spoilt([&](Msh& m) { m.retag(7, two_pow(40)); }, true); }, import_args, 1,
       "node tag 1099511627776 is outside"},
      {"NodeTagTwice", [] { return spoilt([](Msh& m) { m.node_tag[5] = m.node_tag[4]; }); }, import_args, 1,
       "node tag 5 appears twice"},
      {"ElementOfMissingNode", [] { return spoilt([](Msh& m) { m.add_tet({1, 2, 999, 8}); }); }, import_args, 1,
       "names the node tag 999"},
      {"NegativeElementTag", [] { return spoilt([](Msh& m) { m.elem_tag[3] = -4; }); },
       import_args, 1, "element tag -4 is outside"},
      // a model that potsolve cannot use
      {"NanCoordinate", [] { return spoilt([](Msh& m) { m.xyz[3 * 6 + 1] = std::nan(""); }); }, import_args, 1,
       "node tag 7 has the coordinate nan"},
      {"ZeroVolumeTetrahedron", [] { return spoilt([](Msh& m) { m.add_tet({1, 2, 3, 8}); }); }, import_args, 1,
       "element tag 751 has zero volume"},
      {"RepeatedNodeInTetrahedron", [] { return spoilt([](Msh& m) { m.add_tet({1, 2, 1, 38}); }); }, import_args, 1,
       "element tag 751 names the node tag 1 twice"},
      {"ConductivityVanishingIn32Bits", [] { return spoilt([](Msh&) {}); }, import_args + " --sigma 1=1e-50", 1,
       "--sigma: '1e-50' lies outside"},
      {"CurrentOverflowing32Bits", [] { return spoilt([](Msh&) {}); }, import_args + " --current 4e38", 1,
       "--current: '4e38' lies outside"},
      // a re-used directory holds the new model only, or the old one whole
      {"EarlierModelFilesRemoved", [] { return spoilt([](Msh&) {}); }, import_args, 0, "", earlier_model,
       [](const std::string& dir) {
         for (const auto& e : fs::directory_iterator(dir + "/model")) {
           const std::string name = e.path().filename().string();
           EXPECT_TRUE(name == "notes.txt" || name.ends_with(".dat") || name.ends_with(".dta") || name == "headmesh.map")
               << name << " left behind";
           EXPECT_NE(name, "cortex.dat");
         }
         EXPECT_NE(testmesh::read_file(dir + "/model/setting.dta").find("0.001"), std::string::npos);
       }},
      {"UnreplaceableFileKeepsEarlierModel", [] { return spoilt([](Msh&) {}); },
       "import mesh.msh --out model --cortex-of 1 --surface" + electrodes, 1, "cannot replace the file",
       [](const std::string& dir) {
         // an immutable cortex.dat (root on a file system that has them)
         return earlier_model(dir) && std::system(("chattr +i '" + dir + "/model/cortex.dat' 2>/dev/null").c_str()) == 0;
       }},
      // a write that a file-size limit stops
      {"FileSizeLimit", [] { return spoilt([](Msh&) {}); }, import_args, 1, "write error (File too large)"},
      // headmesh sphere
      {"SphereThroughPlantedLink", [] { return std::string(); }, "sphere --out s.msh --size 20", 0, "",
       [](const std::string& dir) {
         testmesh::write_file(dir + "/victim", "VICTIM\n");
         fs::create_symlink(dir + "/victim", dir + "/s.msh.tmp.msh");
         return true;
       },
       [](const std::string& dir) {
         EXPECT_EQ(testmesh::read_file(dir + "/victim"), "VICTIM\n");
         EXPECT_TRUE(fs::is_symlink(dir + "/s.msh.tmp.msh"));
         EXPECT_EQ(testmesh::read_file(dir + "/s.msh").rfind("$MeshFormat\n", 0), 0u);
       }},
      {"SphereSizeOutsideItsRange", [] { return std::string(); }, "sphere --out s.msh --size 25", 1,
       "between 0.5 and 20 mm"},
      {"SphereSizeZero", [] { return std::string(); }, "sphere --out s.msh --size 0", 1, "--size must be positive"},
      {"SphereNodesZero", [] { return std::string(); }, "sphere --out s.msh --nodes 0", 1, "--nodes must be positive"},
      // export of a solved model whose files were spoilt afterwards: tags no mesh holds, a potential beyond 32 bits
      {"ExportNegativeNodeTag", [] { return spoilt([](Msh&) {}); }, "export model --out f.msh", 1,
       "headmesh.map: the node tag of model node 1 is outside",
       [](const std::string& dir) { return solved_model(dir) && spoil_file(dir + "/model/headmesh.map", 2, 0, "-5"); }},
      {"ExportElementTagZero", [] { return spoilt([](Msh&) {}); }, "export model --out f.msh", 1,
       "headmesh.map: the element tag of model element 1 is outside",
       [](const std::string& dir) { return solved_model(dir) && spoil_file(dir + "/model/headmesh.map", 219, 0, "0"); }},
      {"ExportPotentialBeyond32Bits", [] { return spoilt([](Msh&) {}); }, "export model --out f.vtu", 1,
       "POTENT.OUT, record 3",
       [](const std::string& dir) { return solved_model(dir) && spoil_file(dir + "/model/POTENT.OUT", 2, 1, "1e39"); }},
      // the smaller items
      {"DirectoryAsMesh", [] { return std::string(); }, "import model --out out" + electrodes, 1, "it is a directory"},
      {"HexadecimalNumber", [] { return spoilt([](Msh&) {}); }, "import mesh.msh --out model --patch 0,0,0,0x10=1 --patch 5,5,5,1=0",
       1, "'0x10' is not a number"},
      {"CurrentZero", [] { return spoilt([](Msh&) {}); }, import_args + " --current 0", 1, "--current must be positive"},
      {"RepeatedOption", [] { return spoilt([](Msh&) {}); }, import_args + " --out other", 1, "give --out once"},
      {"LargestVolumeTag", [] { return spoilt([](Msh& m) { m.volume_tag = 2147483647; }); },
       import_args + " --sigma 2147483647=0.3", 0, ""},
      {"FloatingIsland", [] {
         return spoilt([](Msh& m) {
           const std::int64_t t = m.node_tag.size();
           for (double p : {20, 0, 0, 21, 0, 0, 20, 1, 0, 20, 0, 1}) m.xyz.push_back(p);
           for (std::int64_t k = 1; k <= 4; ++k) m.node_tag.push_back(t + k);
           m.add_tet({t + 1, t + 2, t + 3, t + 4});
         });
       },
       import_args, 0, "a part of 1 tetrahedron of volume tag 1 (element tag 751"},
  };
}

// Immutable files of a case made ordinary again, so that its directory can go.
void thaw(const std::string& dir) {
  [[maybe_unused]] const int status = std::system(("chattr -R -i '" + dir + "' 2>/dev/null").c_str());
}

TEST(HeadmeshFaults, SoundOutcomeForEachFault) {
  if (!fs::exists(BIN_DIR "/headmesh")) GTEST_SKIP() << "headmesh is not built";
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    const std::string dir = testmesh::fresh_dir("headmesh-fault");
    if (const std::string mesh = c.mesh(); !mesh.empty()) testmesh::write_file(dir + "/mesh.msh", mesh);
    fs::create_directory(dir + "/model");
    testmesh::write_file(dir + "/model/notes.txt", "the user's own\n");
    if (c.setup && !c.setup(dir)) {
      std::cout << c.name << ": cannot be set up here, passed over\n";
      continue;
    }
    const Files before = robust::snapshot(dir);
    const bool limited = std::strcmp(c.name, "FileSizeLimit") == 0;
    const child::Result r = child::run(BIN_DIR "/headmesh", c.args, dir, limited ? "ulimit -f 8; timeout 20" : "timeout 20");
    thaw(dir);
    EXPECT_EQ(r.status, c.status) << r.console.substr(0, 2000);
    const std::vector<std::string> lines = robust::lines(r.console);
    if (c.status != 0) {
      EXPECT_EQ(lines.size(), 1u) << r.console.substr(0, 2000);
      EXPECT_NE(r.console.find(c.word), std::string::npos) << r.console.substr(0, 2000);
      EXPECT_TRUE(robust::snapshot(dir) == before) << "files created or changed";
    } else if (*c.word) {
      std::size_t found = 0;
      for (const std::string& l : lines) found += l.find(c.word) != std::string::npos;
      EXPECT_EQ(found, 1u) << r.console;
    }
    EXPECT_FALSE(fs::exists(dir + "/MARKER")) << "the file was run";
    if (c.after && r.status == 0) c.after(dir);
  }
}

// An import ended by SIGTERM while it writes the model leaves no temporary and
// the directory as it was; a signal that meets the model's files being
// renamed into place waits until all of them are, so the model is never half
// new.
TEST(HeadmeshFaults, TerminatedDuringImportLeavesNoTemporary) {
  if (!fs::exists(BIN_DIR "/headmesh")) GTEST_SKIP() << "headmesh is not built";
  const std::string dir = testmesh::fresh_dir("headmesh-sigterm");
  // a mesh whose model takes long enough to write to be caught at it
  ASSERT_EQ(child::run(BIN_DIR "/headmesh", "sphere --out big.msh --size 4 --binary", dir).status, 0);
  const char* import = "import big.msh --out whole --patch 0,0,92,20=1 --patch 0,0,-92,20=0";
  for (const char* d : {"/model", "/whole"}) {
    fs::create_directory(dir + d);
    testmesh::write_file(dir + d + "/notes.txt", "the user's own\n");
  }
  const Files before = robust::snapshot(dir + "/model");
  ASSERT_EQ(child::run(BIN_DIR "/headmesh", import, dir).status, 0);
  const Files whole = robust::snapshot(dir + "/whole");  // the model written in full
  bool caught = false;
  // until the import is caught with a model file half written (a few tries at most)
  for (int attempt = 0; attempt < 10 && !caught; ++attempt) {
    const pid_t pid = robust::start_quiet(
        dir, {"headmesh", "import", "big.msh", "--out", "model", "--patch", "0,0,92,20=1", "--patch", "0,0,-92,20=0"});
    ASSERT_GE(pid, 0);
    // watch for a temporary of the model files, then hold the program where it is
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool writing = false;
    while (!writing && std::chrono::steady_clock::now() < until && waitpid(pid, nullptr, WNOHANG) == 0)
      for (const auto& e : fs::directory_iterator(dir + "/model"))
        writing = writing || e.path().filename().string().starts_with("xyz.dat.");
    kill(pid, SIGSTOP);
    caught = writing && waitpid(pid, nullptr, WNOHANG) == 0;
    kill(pid, caught ? SIGTERM : SIGKILL);
    kill(pid, SIGCONT);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!caught) {
      fs::remove_all(dir + "/model");
      fs::create_directory(dir + "/model");
      testmesh::write_file(dir + "/model/notes.txt", "the user's own\n");
      continue;
    }
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    const Files after = robust::snapshot(dir + "/model");
    EXPECT_TRUE(after == before || after == whole) << "temporaries or part of a new model left behind";
  }
  EXPECT_TRUE(caught) << "the import was never met during its write";
  fs::remove_all(dir);
}

}  // namespace
