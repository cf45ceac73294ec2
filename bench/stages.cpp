#include "stages.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "clock.h"
#include "cortexmap/colour.h"
#include "cortexmap/field_library.h"
#include "potsolve/assemble.h"
#include "potsolve/dirichlet.h"
#include "potsolve/model_input.h"
#include "potsolve/pattern.h"
#include "potsolve/pattern_cache.h"
#include "potsolve/potentials.h"
#include "potsolve/settings.h"
#include "potsolve/threads.h"
#include "textio/console.h"

namespace bench {

double Times::of(const std::string& name) const {
  for (const auto& [k, t] : list)
    if (k == name) return t;
  return 0.0;
}

double Times::total() const {
  double sum = 0.0;
  for (const auto& st : list) sum += st.second;
  return sum;
}

void solver_stages(const std::string& dir, SolverRun& run) {
  textio::ConsoleCapture quiet;  // the programs' records are not shown
  potsolve::ModelStore m;
  m.home = dir;  // the model directory, as read_model_dir reads it
  run.dir = dir;
  const double t_settings = time_once([&] { potsolve::read_settings(m, potsolve::model_path(m, "setting.dta")); });
  // each file's time from its announcement to the next one's
  std::vector<double> starts;
  potsolve::read_model(m, [&starts](const char*) { starts.push_back(now()); });
  starts.push_back(now());
  const char* files[] = {"xyz.dat", "elem.dat", "prop.dat", "bval.dat", "bcp.dat"};
  run.times.add("read setting.dta", t_settings);
  for (int k = 0; k < 5; ++k) run.times.add(std::string("read ") + files[k], starts[k + 1] - starts[k]);
  run.times.add("conductivity per element", time_once([&] { potsolve::derive_conductivities(m); }));

  std::int32_t n = m.nnode;
  const std::int32_t ne = m.nelem;
  m.rhs.assign(static_cast<std::size_t>(n) + 1, 0.0);
  m.pot.assign(static_cast<std::size_t>(n) + 1, 0.0);
  m.res.assign(static_cast<std::size_t>(n) + 1, 0.0);
  const std::string cache = dir + "/irowjcol.da0";
  std::filesystem::remove(cache);
  const int threads = potsolve::thread_count();
  potsolve::CornerSlots inc;
  run.times.add("node incidence", time_once([&] { inc = potsolve::corner_slots(m, n, ne, threads); }));
  run.times.add("pattern search", time_once([&] { potsolve::build_pattern(m, inc, n, m.irow, m.jcol, threads); }));
  run.times.add("pattern cache write", time_once([&] { potsolve::write_pattern_cache(cache, n, m.irow, m.jcol); }));
  std::vector<std::int32_t> irow2, jcol2;
  potsolve::CacheRead got{};
  run.times.add("pattern cache read",
                time_once([&] { got = potsolve::read_pattern_cache(cache, n, irow2, jcol2); }));
  run.cache_reads_back = got == potsolve::CacheRead::read && irow2 == m.irow && jcol2 == m.jcol;
  m.amat.assign(m.jcol.size(), 0.0);
  run.times.add("assembly", time_once([&] { potsolve::assemble(m, inc, n, ne, potsolve::block_elements, threads); }));
  run.times.add("Dirichlet", time_once([&] { potsolve::apply_dirichlet(m, m.nnode); }));

  potsolve::IccgSystem& s = run.sys;
  run.times.add("pattern check", time_once([&] {
                  if (potsolve::pattern_fault(n, m.irow, m.jcol) != 0) throw std::runtime_error("pattern check failed");
                }));
  run.times.add("split", time_once([&] { s.a = potsolve::split_triangles(n, m); }));
  run.times.add("transpose map", time_once([&] { potsolve::build_transpose_map(s.a, threads); }));
  run.times.add("factorisation beside the iteration plan", time_once([&] {
                  s.plan = potsolve::plan_orders(s.a, threads, [&s] { s.f = potsolve::factorize_ic(s.a); });
                }));
  run.times.add("iteration plan: the factor's values", time_once([&] { potsolve::plan_values(s.plan, s.a, s.f); }));
  potsolve::PcgResult result;
  const double c0 = cpu_now();
  run.iter_total = time_once([&] { result = potsolve::pcg_iterate(s, m.rhs, m.pot, m.res); });
  run.iter_cpu = cpu_now() - c0;
  if (!result.converged) throw std::runtime_error("the model in " + dir + " did not converge");
  run.times.add("write POTENT.OUT", time_once([&] { potsolve::write_potentials(m, threads); }));
  run.iterations = result.iterations;
  run.residual = result.residual;
  run.n = n;
  run.nelem = ne;
  run.nnz = m.irow[n];
  for (std::int32_t i = 1; i <= m.nnode; ++i) run.nfixed += m.bcp[i] < 0;
  run.irow = std::move(m.irow);
  run.jcol = std::move(m.jcol);
  run.amat = std::move(m.amat);
  run.rhs = std::move(m.rhs);
  run.pot = std::move(m.pot);
}

MapRun map_stages(const std::string& dir, Table& table) {
  textio::ConsoleCapture quiet;  // the programs' records are not shown
  auto store = std::make_unique<cortexmap::MapStore>();
  cortexmap::MapStore& m = *store;
  MapRun run;
  auto stage = [&](const std::string& name, auto&& f, const std::string& note = "") {
    const double t = time_once(f);
    run.times.add(name, t);
    table.add(name, ms(t), note);
  };
  table.section("cortexmap, full capacity");
  stage("read xyz.dat", [&] {
    cortexmap::read_xyz(m, dir);
    cortexmap::scale_coordinates(m);
  });
  stage("read elem.dat", [&] { cortexmap::read_elem(m, dir); });
  stage("read potent.out", [&] { cortexmap::read_potent(m, dir); });
  stage("read bval, bcp, prop, ele_size", [&] {
    cortexmap::read_bval(m, dir);
    cortexmap::read_bcp(m, dir);
    cortexmap::read_prop(m, dir);
    cortexmap::read_ele_size(m, dir);
  });
  stage("element fields", [&] { m.fields = cortexmap::element_fields(m); });
  cortexmap::ProgressLine averaging, sampling;
  std::vector<float> ndavg;
  stage("node averages", [&] {
    averaging.start(m.nnode);
    ndavg = cortexmap::node_averages(m, m.fields, averaging);
  });
  stage("scale factor", [&] { m.fscale = cortexmap::field_scale(m, ndavg); });
  stage("read cortex.dat", [&] { cortexmap::read_cortex(m, dir); });
  stage("nearest search", [&] {
    sampling.start(m.npts);
    m.inear = cortexmap::find_nearest(m, m.fields.cent, sampling);
  }, std::to_string(m.npts) + " points, " + std::to_string(m.nelem) + " elements");
  stage("sample check", [&] { cortexmap::check_samples(m); });
  stage("write cortexfield.out", [&] { cortexmap::write_out(m, cortexmap::file_in(dir, "cortexfield.out")); });
  stage("write cortexfield.tec", [&] { cortexmap::write_tec(m, cortexmap::file_in(dir, "cortexfield.tec")); });
  stage("colour index", [&] { cortexmap::colour_index(m); });
  stage("write cortexfield.ply", [&] { cortexmap::write_ply(m, cortexmap::file_in(dir, "cortexfield.ply")); });
  table.add("all stages", ms(run.times.total()), "goal <= 2000 ms");
  return run;
}

}  // namespace bench
