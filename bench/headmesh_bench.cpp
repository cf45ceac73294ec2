// headmesh benchmark: import of a large gmsh mesh, export of its solved model
// to .vtu and .msh, and potsolve's run time and iteration count with the mesh's
// own node order against the importer's orders.
//
//   headmesh_bench MESH.msh WORKDIR [--repeat N] [--no-orders]
//
// MESH is a nested-sphere mesh of headmesh sphere (volume tags 2..5). Each
// timing is the best of N runs (default 3); potsolve runs twice per order:
// searching the matrix pattern, then reading it from its cache.
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "clock.h"
#include "headmesh/export.h"
#include "headmesh/gmsh_session.h"
#include "headmesh/import.h"
#include "headmesh/mesh_read.h"

namespace {

namespace fs = std::filesystem;
using namespace headmesh;

ImportOptions import_options(const std::string& mesh, const std::string& out, NodeOrder order) {
  ImportOptions o;
  o.mesh = mesh;
  o.out = out;
  o.order = order;
  ElectrodeOption anode, cathode;
  anode.text = "--patch 0,0,92,35=1";
  anode.patch = cathode.patch = true;
  anode.centre[2] = 92.0;
  cathode.text = "--patch 0,0,-92,35=0";
  cathode.centre[2] = -92.0;
  anode.radius = cathode.radius = 35.0;
  anode.volts = 1.0;
  o.electrodes = {anode, cathode};
  o.cortex = CortexRequest{.tag = 2, .of_volume = true, .facing = std::nullopt, .surface = false};
  o.current = 2.0;
  return o;
}

// Processor seconds (user and system) of this process or of its finished children.
double cpu_seconds(int who) {
  rusage u{};
  getrusage(who, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         1e-6 * static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

// Wall and processor seconds.
struct Times {
  double wall = 1e300, cpu = 1e300;
};

// Runs a program in dir; returns its times and the last iteration number it
// printed (potsolve's ICCG lines start with it).
std::pair<Times, long> run_program(const std::string& exe, const std::string& dir) {
  const std::string cmd = "cd '" + dir + "' && '" + exe + "' </dev/null >run.log 2>&1";
  Times t;
  const double cpu0 = cpu_seconds(RUSAGE_CHILDREN);
  t.wall = bench::time_once([&] {
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "headmesh_bench: %s failed in %s\n", exe.c_str(), dir.c_str());
  });
  t.cpu = cpu_seconds(RUSAGE_CHILDREN) - cpu0;
  std::ifstream log(dir + "/run.log");
  long iterations = 0;
  // the last line that starts with a number followed by the residual
  for (std::string line; std::getline(log, line);) {
    std::istringstream in(line);
    long k = 0;
    std::string word;
    if (in >> k >> word && word.rfind("|Ax-b|", 0) == 0) iterations = k;
  }
  return {t, iterations};
}

// The best wall and processor times of n calls.
template <class F>
Times best_of(int n, F&& f) {
  Times best;
  for (int k = 0; k < n; ++k) {  // n timed calls
    const double cpu0 = cpu_seconds(RUSAGE_SELF);
    best.wall = std::min(best.wall, bench::time_once(f));
    best.cpu = std::min(best.cpu, cpu_seconds(RUSAGE_SELF) - cpu0);
  }
  return best;
}

void row(const std::string& what, const Times& t, const std::string& more = "") {
  std::printf("%-40s %7.3f s wall %7.3f s cpu%s\n", what.c_str(), t.wall, t.cpu, more.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: headmesh_bench MESH.msh WORKDIR [--repeat N] [--no-orders]\n");
    return 2;
  }
  const std::string mesh = argv[1], work = argv[2];
  int repeat = 3;
  bool orders = true;
  for (int k = 3; k < argc; ++k) {  // options
    const std::string a = argv[k];
    if (a == "--repeat" && k + 1 < argc) repeat = std::atoi(argv[++k]);
    if (a == "--no-orders") orders = false;
  }
  fs::create_directories(work);
  const std::string model = work + "/model";
  try {
    SourceMesh source;
    const Times read = best_of(repeat, [&] {
      const GmshSession session;
      source = read_mesh(mesh);
    });
    std::printf("mesh: %zu nodes, %zu tetrahedra\n", source.node_tag.size(), source.tet.size());
    row("import, reading through gmsh", read);
    const Times whole = best_of(repeat, [&] {
      const GmshSession session;
      import_mesh(import_options(mesh, model, NodeOrder::hilbert));
    });
    row("import, whole (hilbert order)", whole);

    run_program(POTSOLVE_EXE, model);
    run_program(CORTEXMAP_EXE, model);
    Results r;
    row("export, reading the model", best_of(repeat, [&] { r = read_results(model, Calibration::exact); }));
    for (const char* ext : {".vtu", ".msh"}) {
      const std::string out = work + "/result" + ext;
      row(std::string("export, writing ") + ext + " and its cortex", best_of(repeat, [&] { write_results(r, out); }));
    }

    if (!orders) return 0;
    const std::pair<const char*, NodeOrder> kinds[] = {
        {"keep", NodeOrder::keep}, {"hilbert", NodeOrder::hilbert}, {"rcm", NodeOrder::rcm}};
    // every order: a fresh model, potsolve without a pattern cache
    for (const auto& [name, order] : kinds) {
      const std::string dir = work + "/order-" + name;
      {
        const GmshSession session;
        import_mesh(import_options(mesh, dir, order));
      }
      const auto [first, count] = run_program(POTSOLVE_EXE, dir);
      const auto [cached, same] = run_program(POTSOLVE_EXE, dir);  // with the pattern cache
      row(std::string("potsolve, ") + name + " order", first, ", " + std::to_string(count) + " iterations");
      row(std::string("potsolve, ") + name + " order, pattern cached", cached,
          same == count ? "" : ", " + std::to_string(same) + " iterations");
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "headmesh_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
