#include "stages.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "clock.h"
#include "cortexmap/averages.h"
#include "cortexmap/colour.h"
#include "cortexmap/fields.h"
#include "cortexmap/inputs.h"
#include "cortexmap/mapstore.h"
#include "cortexmap/nearest.h"
#include "cortexmap/outputs.h"
#include "cortexmap/progress.h"
#include "cortexmap/scale.h"
#include "potsolve/assemble.h"
#include "potsolve/dirichlet.h"
#include "potsolve/model_input.h"
#include "potsolve/pattern.h"
#include "potsolve/pattern_cache.h"
#include "potsolve/potentials.h"
#include "potsolve/settings.h"
#include "stamps.h"

namespace bench {

double SolverRun::times_by_name(const std::string& name) const {
  for (const auto& [k, t] : times)
    if (k == name) return t;
  return 0.0;
}

double MapRun::time_of(const std::string& name) const {
  for (const auto& [k, t] : times)
    if (k == name) return t;
  return 0.0;
}

namespace {

void enter(const std::string& dir) {
  if (chdir(dir.c_str()) != 0) throw std::runtime_error("cannot enter " + dir);
}

// The iteration number of the last progress record ("  |Ax-b|/|b| =").
std::int32_t last_iteration(const std::string& console) {
  const std::string mark = "  |Ax-b|/|b| =";
  const std::size_t at = console.rfind(mark);
  if (at == std::string::npos) return 0;
  const std::size_t line = console.rfind('\n', at);
  return std::atoi(console.c_str() + (line == std::string::npos ? 0 : line + 1));
}

}  // namespace

void solver_stages(const std::string& dir, SolverRun& run, Table& table) {
  enter(dir);
  QuietConsole quiet;
  potsolve::ModelStore& m = run.m;
  auto stage = [&](const std::string& name, double t, const std::string& note = "") {
    run.times.emplace_back(name, t);
    table.add(name, ms(t), note);
  };

  table.section("potsolve, full capacity");
  const double t_settings = time_once([&] { potsolve::read_settings(m); });
  const double t0 = now();
  potsolve::read_model(m);
  const double t_end = now();
  // the files' own times from their console announcements
  const char* files[] = {"xyz.dat", "elem.dat", "prop.dat", "bval.dat", "bcp.dat"};
  std::vector<double> starts;
  for (const char* f : files) {
    const std::size_t at = quiet.buf.text.find(std::string("Read from [") + f + "]");
    starts.push_back(at == std::string::npos ? t0 : quiet.buf.time_at(at));
  }
  starts.push_back(t_end);
  stage("read setting.dta", t_settings);
  for (int k = 0; k < 5; ++k) {
    const auto bytes = std::filesystem::file_size(dir + "/" + files[k]);
    stage(std::string("read ") + files[k], starts[k + 1] - starts[k], mib(static_cast<double>(bytes)));
  }
  stage("conductivity per element", time_once([&] { potsolve::derive_conductivities(m); }));

  std::int32_t n = m.nnode;
  const std::int32_t ne = m.nelem;
  m.rhs.assign(static_cast<std::size_t>(n) + 1, 0.0);
  m.pot.assign(static_cast<std::size_t>(n) + 1, 0.0);
  m.res.assign(static_cast<std::size_t>(n) + 1, 0.0);
  const std::string cache = dir + "/irowjcol.da0";
  std::filesystem::remove(cache);
  const double t_pattern = time_once([&] { potsolve::build_pattern(m, n, ne, m.irow, m.jcol); });
  stage("pattern search", t_pattern, std::to_string(m.irow[n]) + " stored terms");
  const double t_write = time_once([&] { potsolve::write_pattern_cache(cache, n, m.irow, m.jcol); });
  stage("pattern cache write", t_write, mib(static_cast<double>(std::filesystem::file_size(cache))));
  std::vector<std::int32_t> irow2, jcol2;
  potsolve::CacheRead got{};
  stage("pattern cache read", time_once([&] { got = potsolve::read_pattern_cache(cache, n, irow2, jcol2); }),
        "read and validated");
  if (got != potsolve::CacheRead::read || irow2 != m.irow || jcol2 != m.jcol)
    throw std::runtime_error("the pattern cache did not read back");
  m.amat.assign(m.jcol.size(), 0.0);
  stage("assembly", time_once([&] { potsolve::assemble(m, n, ne); }));
  stage("Dirichlet", time_once([&] { potsolve::apply_dirichlet(m, m.nnode); }));
  run.irow = m.irow;
  run.jcol = m.jcol;
  run.amat = m.amat;
  run.rhs = m.rhs;

  potsolve::IccgStore& s = potsolve::iccg_store();
  run.s = &s;
  stage("pattern check before the split", time_once([&] {
          if (potsolve::check_pattern(n, m) != 0) throw std::runtime_error("pattern check failed");
        }));
  stage("solver tables", time_once([&] { s.size_for(n, m.irow[n]); }));
  stage("split", time_once([&] { potsolve::split_triangles(n, m, s); }));
  stage("factorisation", time_once([&] { potsolve::factorize_ic(n, m, s); }));
  stage("transpose map", time_once([&] { potsolve::build_transpose_map(n, m, s); }));
  stage("upper value copies", time_once([&] { potsolve::copy_upper_values(m, s); }));
  quiet.clear();
  bool converged = false;
  run.iter_total = time_once([&] { converged = potsolve::pcg_iterate(n, m, s); });
  run.iterations = last_iteration(quiet.buf.text);
  if (!converged) throw std::runtime_error("the benchmark model did not converge");
  const double t_out = time_once([&] { potsolve::write_potentials(m); });
  stage("write POTENT.OUT", t_out,
        mib(static_cast<double>(std::filesystem::file_size(dir + "/POTENT.OUT"))));
  run.n = n;
  run.nnz = static_cast<std::int32_t>(run.jcol.size()) - 1;
  for (const auto& st : run.times) run.stages_total += st.second;
  table.add("all stages but the iteration", ms(run.stages_total), "goal <= 1000 ms");
  table.add("iterations", std::to_string(run.iterations), "true residual < 1e-14 at the last test");
  table.add("time per iteration", ms(run.iter_total / run.iterations), "incl. the test every 10th");
  table.add("iteration total", ms(run.iter_total));
}

MapRun map_stages(const std::string& dir, Table& table) {
  enter(dir);
  QuietConsole quiet;
  auto store = std::make_unique<cortexmap::MapStore>();
  cortexmap::MapStore& m = *store;
  MapRun run;
  auto stage = [&](const std::string& name, auto&& f, const std::string& note = "") {
    const double t = time_once(f);
    run.times.emplace_back(name, t);
    run.total += t;
    table.add(name, ms(t), note);
  };
  table.section("cortexmap, full capacity");
  stage("read xyz.dat", [&] { cortexmap::read_xyz(m); });
  stage("read elem.dat", [&] { cortexmap::read_elem(m); });
  stage("read potent.out", [&] { cortexmap::read_potent(m); });
  stage("read bval, bcp, prop, ele_size", [&] {
    cortexmap::read_bval(m);
    cortexmap::read_bcp(m);
    cortexmap::read_prop(m);
    cortexmap::read_ele_size(m);
  });
  stage("element fields", [&] { cortexmap::element_fields(m); });
  cortexmap::ProgressLine averaging, sampling;
  stage("node averages", [&] {
    averaging.start(m.nnode);
    cortexmap::node_averages(m, averaging);
  });
  stage("scale factor", [&] { cortexmap::field_scale(m); });
  stage("read cortex.dat", [&] { cortexmap::read_cortex(m); });
  stage("nearest search", [&] {
    sampling.start(m.npts);
    cortexmap::find_nearest(m, sampling);
  }, std::to_string(m.npts) + " points, " + std::to_string(m.nelem) + " elements");
  stage("sample check", [&] { cortexmap::check_samples(m); });
  stage("write cortexfield.out", [&] { cortexmap::write_out(m, "cortexfield.out"); });
  stage("write cortexfield.tec", [&] { cortexmap::write_tec(m, "cortexfield.tec"); });
  stage("colour index", [&] { cortexmap::colour_index(m); });
  stage("write cortexfield.ply", [&] { cortexmap::write_ply(m, "cortexfield.ply"); });
  table.add("all stages", ms(run.total), "goal <= 2000 ms");
  return run;
}

}  // namespace bench
