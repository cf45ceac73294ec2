// headfield benchmark: every stage of potsolve and cortexmap at full capacity,
// the literal loops against the fast ones, the ICCG iteration against Eigen's
// kernels and the memory bound, and the peak memory of both programs. All rows
// come from one run and are printed as one table.
//
//   bench [--markdown FILE] [--cubes C] [--small C] [--keep]
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "fullmodel.h"
#include "iccg_peer.h"
#include "literal.h"
#include "peak.h"
#include "stages.h"
#include "table.h"

namespace {

struct Options {
  std::string markdown;
  int cubes = 45;     // 46^3 = 97,336 nodes, 6 * 45^3 = 546,750 elements
  int small = 16;     // the model of the literal loops
  int sheet_u = 250;  // cortical sheet: 250 x 400 = 100,000 points
  int sheet_v = 400;
  bool keep = false;
};

Options parse(int argc, char** argv) {
  Options o;
  // options and their values
  for (int k = 1; k < argc; ++k) {
    const std::string a = argv[k];
    auto value = [&]() -> std::string {
      if (k + 1 >= argc) throw std::runtime_error(a + " needs a value");
      return argv[++k];
    };
    if (a == "--markdown") o.markdown = value();
    else if (a == "--cubes") o.cubes = std::stoi(value());
    else if (a == "--small") o.small = std::stoi(value());
    else if (a == "--keep") o.keep = true;
    else throw std::runtime_error("unknown option " + a);
  }
  if (o.cubes < 12) {  // a small trial run: a smaller sheet too
    o.sheet_u = 50;
    o.sheet_v = 40;
  }
  return o;
}

void progress(const std::string& what) { std::cerr << "[bench] " << what << std::endl; }

}  // namespace

int main(int argc, char** argv) try {
  using namespace bench;
  const Options opt = parse(argc, argv);
  Spawner spawner;  // while the process is small
  const std::string dir = (std::filesystem::temp_directory_path() / ("headfield-bench-" + std::to_string(getpid()))).string();
  std::filesystem::create_directories(dir);
  Table table;

  progress("generating the full-capacity model in " + dir);
  std::int32_t npts = 0, ntri = 0;
  LoopSizes full;
  {
    const Model model = make_brick(opt.cubes);
    npts = write_all(dir, model, opt.sheet_u, opt.sheet_v);
    ntri = 2 * (opt.sheet_u - 1) * (opt.sheet_v - 1);
    full = {double(model.mesh.nnode), double(model.mesh.nelem), 0, double(model.nfixed), double(npts)};
    table.section("model");
    table.add("brick " + std::to_string(opt.cubes) + "^3 cubes x 6 tetrahedra",
              std::to_string(model.mesh.nnode) + " nodes", std::to_string(model.mesh.nelem) + " elements, " +
              std::to_string(model.nfixed) + " fixed nodes (two faces)");
    table.add("cortical sheet", std::to_string(npts) + " points", std::to_string(ntri) + " triangles");
  }

  progress("potsolve stages");
  SolverRun solver;
  solver_stages(dir, solver, table);
  full.nnz = solver.nnz;
  progress("cortexmap stages");
  const MapRun map = map_stages(dir, table);

  progress("literal loops on a " + std::to_string(opt.small) + "^3 brick");
  const int side = 40;  // 1,600 sheet points for the literal nearest search
  std::vector<LiteralResult> lit = compare_literal(opt.small, side, full);
  const double fast_total = solver.stages_total + solver.iter_total + map.total;
  double literal_total = fast_total;
  table.section("literal vs fast, " + std::to_string(opt.small) + "^3 brick");
  for (LiteralResult& r : lit) {
    r.full_fast = r.name == "pattern search"   ? solver.times_by_name("pattern search")
                  : r.name == "Dirichlet pass" ? solver.times_by_name("Dirichlet")
                  : r.name == "transpose map"  ? solver.times_by_name("transpose map")
                  : r.name == "node averages"  ? map.time_of("node averages")
                                               : map.time_of("nearest search");
    const double at_full = r.literal * r.growth;
    literal_total += at_full - r.full_fast;
    table.add(r.name, ratio(r.literal / r.fast),
              "literal " + ms(r.literal) + ", fast " + ms(r.fast) + "; at full capacity literal ~" +
                  fixed(at_full, 1) + " s (x" + fixed(r.growth, 0) + ") vs fast " + ms(r.full_fast));
  }
  table.add("whole run at full capacity", ratio(literal_total / fast_total),
            "literal loops ~" + fixed(literal_total, 0) + " s vs fast " + fixed(fast_total, 2) +
                " s (both programs, iteration included)");
  table.note("Literal loops are extrapolated by their operation counts: pattern search and node averages "
             "grow as nodes x elements, the Dirichlet pass as fixed nodes x stored terms, the transpose "
             "map as nodes^2, the nearest search as points x elements. The whole-run figure replaces the "
             "five fast stages of the full-capacity run by those extrapolated times.");

  progress("ICCG against Eigen and the memory bound");
  const int iters = std::max(10, std::min(200, (solver.iterations - 1) / 10 * 10));
  const IccgComparison ic = compare_iccg(solver, iters);
  const double bound = ic.bytes / ic.bandwidth;
  table.section("ICCG per iteration");
  table.add("this solver", ms(ic.ours), std::to_string(ic.iterations) + " iterations, best of 3");
  table.add("Eigen 3 kernels, same matrix and factor", ms(ic.eigen),
            "ours / Eigen = " + fixed(ic.ours / ic.eigen, 2) + "; largest iterate difference " +
                sci(ic.max_rel_diff) + " relative");
  table.add("bytes one iteration moves", mib(ic.bytes), "values, indices and vectors read or written once");
  table.add("streaming bandwidth (triad)", fixed(ic.bandwidth / 1e9, 2) + " GB/s", "a = b + s*c, 3 x 64 MiB");
  table.add("memory bound", ms(bound), "ours / bound = " + fixed(ic.ours / bound, 2) + " (goal <= 1.5)");

  table.note("Memory bound: the bytes of the matrix values, factor values, column indices and vectors "
             "that one iteration reads or writes once each, over the triad bandwidth of the same run. "
             "A ratio below 1 means the iteration's working set stays partly in the last-level cache.");

  progress("whole runs as child processes");
  table.section("whole programs, full capacity");
  std::filesystem::remove(dir + "/irowjcol.da0");
  const ChildRun ps = spawner.run(POTSOLVE_EXE, dir);
  table.add("potsolve peak resident set", mib(ps.maxrss),
            "run " + fixed(ps.seconds, 2) + " s without the pattern cache, exit " + std::to_string(ps.status) +
                " (goal < 200 MiB)");
  const ChildRun ps2 = spawner.run(POTSOLVE_EXE, dir);
  table.add("potsolve, pattern cache present", mib(ps2.maxrss),
            "run " + fixed(ps2.seconds, 2) + " s, exit " + std::to_string(ps2.status));
  const ChildRun cx = spawner.run(CORTEXMAP_EXE, dir);
  table.add("cortexmap peak resident set", mib(cx.maxrss),
            "run " + fixed(cx.seconds, 2) + " s, exit " + std::to_string(cx.status) + " (goal < 200 MiB)");

  const std::string text = table.text();
  std::cout << text;
  if (!opt.markdown.empty()) {
    std::ofstream md(opt.markdown);
    md << table.markdown();
    if (!md) throw std::runtime_error("cannot write " + opt.markdown);
    progress("table written to " + opt.markdown);
  }
  if (!opt.keep) std::filesystem::remove_all(dir);
  return 0;
} catch (const std::exception& e) {
  std::cerr << "bench: " << e.what() << "\n";
  return 1;
}
