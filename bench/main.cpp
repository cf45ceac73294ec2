// headfield benchmark: every stage of potsolve on a structured brick, the same
// brick with its nodes numbered at random, and any model directory given,
// side by side with PETSc's CG + ICC(0) on the same systems; every stage of
// cortexmap, the literal loops against the fast ones, the ICCG iteration
// against Eigen's kernels and the memory bound, and the peak memory of both
// programs. All rows come from one run.
//
//   bench [--markdown FILE] [--cubes C] [--small C] [--seed S] [--model DIR]... [--models-only] [--keep]
//
// --models-only measures potsolve and PETSc on the given directories alone
// (no bricks, no cortexmap, literal or Eigen sections): the way to a large
// model in reasonable time.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "clock.h"
#include "fullmodel.h"
#include "iccg_peer.h"
#include "literal.h"
#include "peak.h"
#include "petsc_peer.h"
#include "stages.h"
#include "table.h"
#include "potsolve/threads.h"

namespace {

using namespace bench;

struct Options {
  std::string markdown;
  int cubes = 45;     // 46^3 = 97,336 nodes, 6 * 45^3 = 546,750 elements
  int small = 16;     // the model of the literal loops
  int sheet_u = 250;  // cortical sheet: 250 x 400 = 100,000 points
  int sheet_v = 400;
  std::uint32_t seed = 2026;        // the random node numbering
  std::vector<std::string> models;  // further model directories
  bool models_only = false;
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
    else if (a == "--seed") o.seed = static_cast<std::uint32_t>(std::stoul(value()));
    else if (a == "--model") o.models.push_back(value());
    else if (a == "--models-only") o.models_only = true;
    else if (a == "--keep") o.keep = true;
    else throw std::runtime_error("unknown option " + a);
  }
  if (o.models_only && o.models.empty()) throw std::runtime_error("--models-only needs --model DIR");
  if (o.cubes < 12) {  // a small trial run: a smaller sheet too
    o.sheet_u = 50;
    o.sheet_v = 40;
  }
  return o;
}

void progress(const std::string& what) { std::cerr << "[bench] " << what << std::endl; }

// A copy of a model directory's files (without a pattern cache or results),
// with a setting.dta reading from the directory itself when it has none.
void copy_model(const std::string& from, const std::string& to) {
  namespace fs = std::filesystem;
  fs::create_directories(to);
  // each model file
  for (const char* f : {"xyz.dat", "elem.dat", "prop.dat", "bval.dat", "bcp.dat", "setting.dta"})
    if (fs::exists(fs::path(from) / f)) fs::copy_file(fs::path(from) / f, fs::path(to) / f);
  if (!fs::exists(fs::path(to) / "setting.dta")) testmesh::write_file(to + "/setting.dta", "''\n0.001\n");
}

// What the sections share: the options, the models, the results the later
// sections build on, and the tables they fill.
struct Bench {
  Bench(const Options& o, Spawner& s, std::string dir) : opt(o), spawner(s), root(std::move(dir)) {}
  const Options& opt;
  Spawner& spawner;
  std::string root;  // the models' directories
  struct Entry {
    std::string name, dir;
  };
  std::vector<Entry> models;  // the structured brick, the brick numbered at random, the directories given
  std::int32_t npts = 0, ntri = 0;
  double bandwidth = 0.0;
  SolverRun brick;  // the solver run on the first model
  MapRun map;
  std::unique_ptr<Sheet> sheet;  // potsolve and PETSc, one column per model
  Table table;
};

// The bricks (unless --models-only) and a copy of every directory given.
void models(Bench& b) {
  const Options& opt = b.opt;
  auto& models = b.models;
  if (!opt.models_only) {
    const std::string c = std::to_string(opt.cubes);
    models.push_back({"brick " + c + "^3", b.root + "/brick"});
    models.push_back({"brick " + c + "^3, nodes shuffled", b.root + "/shuffled"});
    progress("generating the bricks in " + b.root);
    const Model model = make_brick(opt.cubes);
    std::filesystem::create_directories(models[0].dir);
    std::filesystem::create_directories(models[1].dir);
    b.npts = write_all(models[0].dir, model, opt.sheet_u, opt.sheet_v);
    b.ntri = 2 * (opt.sheet_u - 1) * (opt.sheet_v - 1);
    const Model shuffled = shuffle_nodes(model, opt.seed);
    testmesh::write_model(models[1].dir, shuffled.mesh, shuffled.boundary, 0.001f);
    b.table.section("model");
    b.table.add("brick " + c + "^3 cubes x 6 tetrahedra", std::to_string(model.mesh.nnode) + " nodes",
                std::to_string(model.mesh.nelem) + " elements, two faces held; shuffled: seed " +
                    std::to_string(opt.seed));
    b.table.add("cortical sheet", std::to_string(b.npts) + " points", std::to_string(b.ntri) + " triangles");
  }
  // each further directory under its own name
  for (const std::string& d : opt.models) {
    const std::string name = std::filesystem::path(d).lexically_normal().filename().string();
    models.push_back({name.empty() ? d : name, b.root + "/model-" + std::to_string(models.size())});
    copy_model(d, models.back().dir);
  }
}

// potsolve's stages, PETSc and the whole program on each model.
void solver(Bench& b) {
  std::vector<std::string> names;
  for (const Bench::Entry& e : b.models) names.push_back(e.name);
  b.sheet = std::make_unique<Sheet>(names);
  b.bandwidth = triad_bandwidth();
  // each model in its column
  for (std::size_t k = 0; k < b.models.size(); ++k) {
    const Bench::Entry& e = b.models[k];
    progress("potsolve stages on " + e.name);
    SolverRun run;
    solver_stages(e.dir, run);
    auto put = [&](const std::string& row, std::string v) { b.sheet->set(row, k, std::move(v)); };
    put("threads", std::to_string(run.sys.plan.members) + " of " + std::to_string(potsolve::thread_count()) +
                       (run.sys.plan.forward.shared ? ", sweeps shared" : ", sweeps serial"));
    put("nodes", std::to_string(run.n));
    put("elements", std::to_string(run.nelem));
    put("stored terms", std::to_string(run.nnz));
    put("fixed nodes", std::to_string(run.nfixed));
    for (const auto& [stage, t] : run.times.list) put(stage, ms(t));
    put("pattern cache reads back", run.cache_reads_back ? "yes" : "no");
    put("all stages but the iteration", ms(run.times.total()));
    put("iterations", std::to_string(run.iterations));
    put("final relative residual", sci(run.residual));
    put("iteration total", ms(run.iter_total));
    put("iteration, processor / wall time", fixed(run.iter_cpu / run.iter_total, 2));
    const double per = run.iter_total / run.iterations;
    put("time per iteration", ms(per));
    const double bound = iteration_bytes(run.n, run.sys.a.nlow()) / b.bandwidth;
    put("memory bound per iteration", ms(bound));
    put("ours / memory bound", fixed(per / bound, 2));

    // The peer's solves and potsolve as a program in turn: after each solve a
    // first run, which on a virtual machine may meet memory that is slow at its
    // first touch, and the run measured right after it.
    progress("PETSc and potsolve as a program on " + e.name);
    std::vector<ChildRun> first, measured;
    const auto program = [&] {
      for (std::vector<ChildRun>* runs : {&first, &measured}) {
        std::filesystem::remove(e.dir + "/irowjcol.da0");
        runs->push_back(b.spawner.run(POTSOLVE_EXE, e.dir));
      }
    };
    const PeerRun peer = peer_solve(run, program);
    while (measured.size() < static_cast<std::size_t>(repeats)) program();  // without the peer
    if (peer.available) {
      put("PETSc CG + ICC(0): iterations", std::to_string(peer.iterations));
      put("PETSc setup (matrix, factor)", ms(peer.setup));
      put("PETSc solve", ms(peer.solve));
      put("PETSc time per iteration", ms(peer.solve / std::max(1, peer.iterations)));
      put("PETSc final relative residual", sci(peer.residual));
      put("PETSc answer vs ours (max, relative)", sci(peer.max_rel_diff));
      put("ours / PETSc, per iteration", fixed(per / (peer.solve / std::max(1, peer.iterations)), 2));
      put("ours / PETSc, per iteration, processor time",
          fixed((run.iter_cpu / run.iterations) / (peer.solve_cpu / std::max(1, peer.iterations)), 2));
    }

    const auto seconds = [](const ChildRun& c) { return c.seconds; };
    const ChildRun ps = median_run(measured, seconds), ps1 = median_run(first, seconds);
    const ChildRun ps2 = b.spawner.run(POTSOLVE_EXE, e.dir);
    std::filesystem::remove(e.dir + "/irowjcol.da0");
    const ChildRun one = b.spawner.run(POTSOLVE_EXE, e.dir, "1");
    put("potsolve end to end", fixed(ps.seconds, 2) + " s");
    put("potsolve end to end, processor time", fixed(ps.cpu, 2) + " s");
    put("potsolve end to end, processor / wall time", fixed(ps.cpu / ps.seconds, 2));
    put("potsolve end to end, first run after the PETSc solve", fixed(ps1.seconds, 2) + " s");
    put("potsolve end to end, one thread (HEADFIELD_THREADS=1)", fixed(one.seconds, 2) + " s");
    put("potsolve end to end, one thread / all threads", fixed(one.seconds / ps.seconds, 2));
    put("potsolve end to end, cache present", fixed(ps2.seconds, 2) + " s");
    put("potsolve peak resident set", mib(ps.maxrss));
    put("potsolve exit status", std::to_string(ps.status) + ", " + std::to_string(ps2.status) + ", " +
                                    std::to_string(one.status));
    if (peer.available) {
      put("potsolve end to end / PETSc setup + solve", fixed(ps.seconds / (peer.setup + peer.solve), 2));
      put("potsolve end to end / PETSc solve", fixed(ps.seconds / peer.solve, 2));
      put("same, first runs", fixed(ps1.seconds / peer.solve, 2));
      put("same, processor times", fixed(ps.cpu / peer.solve_cpu, 2));
    }
    if (k == 0) b.brick = std::move(run);
  }
  b.table.note("PETSc's solve and potsolve end to end (no pattern cache) are each the median of " +
               std::to_string(repeats) +
               " runs, taken in turn: a PETSc solve, a first potsolve run, and the potsolve run measured; the "
               "first runs' median is given apart. The other program runs are single.");
}

// cortexmap's stages on the brick.
void mapper(Bench& b) {
  progress("cortexmap stages");
  b.map = map_stages(b.models[0].dir, b.table);
}

// The literal loops of the stages against the fast ones, extrapolated to the brick.
void literal(Bench& b) {
  const Options& opt = b.opt;
  const SolverRun& brick = b.brick;
  const MapRun& map = b.map;
  Table& table = b.table;
  progress("literal loops on a " + std::to_string(opt.small) + "^3 brick");
  const int side = 40;  // 1,600 sheet points for the literal nearest search
  const LoopSizes full{double(brick.n), double(brick.nelem), double(brick.nnz), double(brick.nfixed), double(b.npts)};
  std::vector<LiteralResult> lit = compare_literal(opt.small, side, full);
  const double fast_total = brick.times.total() + brick.iter_total + map.times.total();
  double literal_total = fast_total;
  table.section("literal vs fast, " + std::to_string(opt.small) + "^3 brick");
  for (LiteralResult& r : lit) {
    r.full_fast = r.name == "pattern search"   ? brick.times.of("pattern search")
                  : r.name == "Dirichlet pass" ? brick.times.of("Dirichlet")
                  : r.name == "transpose map"  ? brick.times.of("transpose map")
                  : r.name == "node averages"  ? map.times.of("node averages")
                                               : map.times.of("nearest search");
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

}

// One ICCG iteration against Eigen's kernels and the memory bound.
void iccg(Bench& b) {
  const SolverRun& brick = b.brick;
  Table& table = b.table;
  progress("ICCG against Eigen on the brick");
  const int iters = std::max(10, std::min(200, (brick.iterations - 1) / 10 * 10));
  const IccgComparison ic = compare_iccg(brick, iters);
  const double bound = ic.bytes / b.bandwidth;
  table.section("ICCG per iteration, brick");
  table.add("this solver", ms(ic.ours), std::to_string(ic.iterations) + " iterations, best of 3");
  table.add("Eigen 3 kernels, same matrix and factor", ms(ic.eigen),
            "ours / Eigen = " + fixed(ic.ours / ic.eigen, 2) + "; largest iterate difference " +
                sci(ic.max_rel_diff) + " relative");
  table.add("bytes one iteration moves", mib(ic.bytes), "values, indices and vectors read or written once");
  table.add("streaming bandwidth (triad)", fixed(b.bandwidth / 1e9, 2) + " GB/s", "a = b + s*c, 3 x 64 MiB");
  table.add("memory bound", ms(bound), "ours / bound = " + fixed(ic.ours / bound, 2));
  table.note("Memory bound: the bytes of the matrix values, factor values, column indices and vectors "
             "that one iteration reads or writes once each, over the triad bandwidth of the same run. "
             "A ratio below 1 means the iteration's working set stays partly in the last-level cache.");
}

// cortexmap as a program on the brick: its peak memory.
void mapper_program(Bench& b) {
  progress("cortexmap as a program");
  b.table.section("cortexmap, whole program");
  const ChildRun cx = b.spawner.run(CORTEXMAP_EXE, b.models[0].dir);
  b.table.add("cortexmap peak resident set", mib(cx.maxrss),
              "run " + fixed(cx.seconds, 2) + " s, exit " + std::to_string(cx.status) + " (goal < 200 MiB)");
}

// The sections in the order they run; the later ones need the brick.
struct Section {
  void (*measure)(Bench&);
  bool with_models_only;
};
const Section sections[] = {
    {models, true}, {solver, true}, {mapper, false}, {literal, false}, {iccg, false}, {mapper_program, false},
};

}  // namespace

int main(int argc, char** argv) try {
  const Options opt = parse(argc, argv);
  Spawner spawner;  // while the process is small
  peer_begin();
  Bench b(opt, spawner, (std::filesystem::temp_directory_path() / ("headfield-bench-" + std::to_string(getpid()))).string());
  // every section that this run measures
  for (const Section& s : sections)
    if (s.with_models_only || !opt.models_only) s.measure(b);
  peer_end();

  std::string text = "potsolve, stage by stage and whole, beside PETSc\n" + b.sheet->text();
  std::string markdown = b.sheet->markdown();
  if (!opt.models_only) {
    text += "\n" + b.table.text();
    markdown += b.table.markdown();
  }
  std::cout << text;
  if (!opt.markdown.empty()) {
    std::ofstream md(opt.markdown);
    md << markdown;
    if (!md) throw std::runtime_error("cannot write " + opt.markdown);
    progress("table written to " + opt.markdown);
  }
  if (!opt.keep) std::filesystem::remove_all(b.root);
  return 0;
} catch (const std::exception& e) {
  std::cerr << "bench: " << e.what() << "\n";
  return 1;
}
