#include "leadfield/lead_run.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>

#include "leadfield/block_iccg.h"
#include "leadfield/cholesky.h"
#include "leadfield/error.h"
#include "leadfield/h5file.h"
#include "leadfield/sampling.h"
#include "shared/mesh_map.h"

namespace leadfield {

namespace {

// Right-hand sides solved together: one block of the dense solves.
constexpr int block_columns = 16;
// ... and per sweep of the iteration.
constexpr int sweep_columns = 8;

using Clock = std::chrono::steady_clock;

namespace fs = std::filesystem;

// The tissue of the element each cortex point was sampled in: its volume tag
// when the model came with a headmesh.map, else its material number.
std::vector<std::int32_t> tissue_tags(const std::string& dir, const Mesh& mesh, const std::vector<std::int32_t>& element) {
  std::vector<std::int32_t> tissue(element.size());
  for (std::size_t q = 0; q < element.size(); ++q) tissue[q] = mesh.imat[element[q]];
  const fs::path file = fs::path(dir) / "headmesh.map";
  if (!fs::exists(file)) return tissue;
  const mesh_map::MeshMap map = mesh_map::read_map(file.string());
  if (map.node_tag.size() != static_cast<std::size_t>(mesh.nnode) ||
      map.elem_tag.size() != static_cast<std::size_t>(mesh.nelem))
    throw Error(file.string() + " belongs to another mesh (" + std::to_string(map.node_tag.size()) + " nodes, " +
                std::to_string(map.elem_tag.size()) + " elements)");
  for (std::int32_t& t : tissue) {
    if (t < 1 || static_cast<std::size_t>(t) > map.material_tag.size())
      throw Error(file.string() + " names no tissue for material " + std::to_string(t));
    t = map.material_tag[t - 1];
  }
  return tissue;
}

double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

void say(const char* format, auto... args) {
  std::printf("leadfield: ");
  std::printf(format, args...);
  std::printf("\n");
  std::fflush(stdout);
}

// MemAvailable of /proc/meminfo in MiB; 0 when unknown.
double available_mib() {
  std::ifstream in("/proc/meminfo");
  std::string key;
  double kib = 0.0;
  while (in >> key >> kib) {
    if (key == "MemAvailable:") return kib / 1024.0;
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  }
  return 0.0;
}

}  // namespace

LeadProblem prepare_problem(const std::string& dir, const std::string& reference) {
  LeadProblem p;
  Clock::time_point t0 = Clock::now();
  if (!std::filesystem::is_directory(dir)) throw Error(dir + ": no such model directory");
  p.mesh = read_mesh(dir);
  p.cap = read_electrodes(dir, p.mesh.nnode);
  const auto ref = std::find_if(p.cap.begin(), p.cap.end(), [&](const Electrode& e) { return e.name == reference; });
  if (ref == p.cap.end())
    throw Error("unknown reference electrode " + reference + ": electrodes.dat of " + dir + " has " +
                p.cap.front().name + " .. " + p.cap.back().name + " (" + std::to_string(p.cap.size()) + ")");
  p.reference = static_cast<std::int32_t>(ref - p.cap.begin());
  p.cortex = read_cortex(dir);
  p.read_seconds = since(t0);
  check_connected(p.mesh, p.cap, p.reference);

  t0 = Clock::now();
  const Conduction a = assemble_conduction(p.mesh);
  p.system = reduce(a, p.cap, p.reference);
  p.assemble_seconds = since(t0);
  return p;
}

Transfer solve_transfer(const LeadProblem& p, SolverChoice choice, double memory_mib) {
  Transfer t;
  const std::size_t n = static_cast<std::size_t>(p.system.n);
  for (std::int32_t k = 0; k < static_cast<std::int32_t>(p.cap.size()); ++k)
    if (k != p.reference) t.driven.push_back(k);
  const int ncols = static_cast<int>(t.driven.size());
  // unit current into electrode k: one entry at its unknown
  std::vector<double> b(n * ncols, 0.0);
  for (int c = 0; c < ncols; ++c) b[c * n + p.system.electrode_dof[t.driven[c]]] = unit_current;
  t.x.assign(n * ncols, 0.0);

  std::unique_ptr<Cholesky> chol;
  if (choice == SolverChoice::iccg) {
    t.solver = "iccg";
    t.reason = "asked for with --solver iccg";
  } else {
    const Clock::time_point t0 = Clock::now();
    chol = std::make_unique<Cholesky>(p.system);
    t.factor_mib = chol->factor_bytes() / 1048576.0;
    const double room = memory_mib > 0.0 ? memory_mib : available_mib();
    const bool fits = room <= 0.0 || t.factor_mib <= room;
    char why[160];
    if (choice == SolverChoice::cholesky) {
      std::snprintf(why, sizeof why, "asked for with --solver cholesky (factor %.0f MiB)", t.factor_mib);
    } else if (fits) {
      std::snprintf(why, sizeof why, "the factor of %.0f MiB fits in %.0f MiB", t.factor_mib, room);
    } else {
      std::snprintf(why, sizeof why, "the Cholesky factor of %.0f MiB would not fit in %.0f MiB", t.factor_mib, room);
      chol.reset();
    }
    t.solver = chol ? "cholesky" : "iccg";
    t.reason = why;
    t.factor_seconds = since(t0);
  }
  say("solver %s: %s", t.solver.c_str(), t.reason.c_str());

  Clock::time_point t0 = Clock::now();
  if (chol) {
    say("factorising %zu unknowns ...", n);
    chol->factorize();
    t.factor_seconds += since(t0);
    say("factorised in %.2f s", t.factor_seconds);
    t0 = Clock::now();
    // the right-hand sides in blocks
    for (int c0 = 0; c0 < ncols; c0 += block_columns) {
      const int w = std::min(block_columns, ncols - c0);
      chol->solve(&b[c0 * n], &t.x[c0 * n], w);
      say("solved %d of %d right-hand sides", c0 + w, ncols);
    }
    // the largest relative residual
    std::vector<double> ax(n);
    for (int c = 0; c < ncols; ++c) {
      multiply(p.system, &t.x[c * n], ax.data(), 1);
      double rr = 0.0;
      for (std::size_t i = 0; i < n; ++i) rr += (b[c * n + i] - ax[i]) * (b[c * n + i] - ax[i]);
      t.max_residual = std::max(t.max_residual, std::sqrt(rr) / unit_current);
    }
  } else {
    say("ICCG on %zu unknowns, %d right-hand sides per sweep ...", n, sweep_columns);
    t.max_residual = solve_iccg(p.system, b.data(), t.x.data(), ncols, sweep_columns,
                                [ncols](int done) { say("solved %d of %d right-hand sides", done, ncols); });
  }
  t.solve_seconds = since(t0);
  return t;
}

std::string run_leadfield(const LeadOptions& o) {
  const std::string out = o.out.empty() ? (std::filesystem::path(o.dir) / "leadfield.h5").string() : o.out;
  say("reading %s", o.dir.c_str());
  const LeadProblem p = prepare_problem(o.dir, o.reference);
  const std::size_t ne = p.cap.size(), n = static_cast<std::size_t>(p.system.n);
  const std::size_t nn = static_cast<std::size_t>(p.mesh.nnode);
  say("%zu electrodes (reference %s), %zu nodes, %zu unknowns", ne, o.reference.c_str(), nn, n);
  const Transfer t = solve_transfer(p, o.solver, o.memory_mib);
  const std::size_t k = t.driven.size();

  Clock::time_point t0 = Clock::now();
  // the potential of every electrode for each driven one
  std::vector<double> v(k * ne, 0.0);
  for (std::size_t c = 0; c < k; ++c)
    for (std::size_t j = 0; j < ne; ++j)
      if (p.system.electrode_dof[j] >= 0) v[c * ne + j] = t.x[c * n + p.system.electrode_dof[j]];
  // the field on the cortex
  const Sampling s = locate_points(p.mesh, p.cortex);
  const PointField field(p.mesh, s);
  const std::size_t np = s.element.size();
  std::vector<float> e(k * np * 3);
  for (std::size_t c = 0; c < k; ++c) {
    const double* x = &t.x[c * n];
    field.field([&](std::int32_t i) { return p.system.dof[i] >= 0 ? x[p.system.dof[i]] : 0.0; }, &e[c * np * 3]);
  }
  const double sample_seconds = since(t0);

  t0 = Clock::now();
  H5Writer h5(out);
  std::vector<std::string> names;
  std::vector<double> centres;
  for (const Electrode& el : p.cap) {
    names.push_back(el.name);
    centres.insert(centres.end(), el.centre.begin(), el.centre.end());
  }
  h5.strings("/electrodes/names", names);
  h5.attribute("/electrodes/names", "reference", o.reference);
  h5.reals("/electrodes/centres", {ne, 3}, centres.data());
  h5.attribute("/electrodes/centres", "units", "mm");
  h5.reals("/electrodes/V", {k, ne}, v.data());
  h5.attribute("/electrodes/V", "units", "V per mA");
  std::vector<double> cxyz(p.cortex.points.begin(), p.cortex.points.end());
  h5.reals("/cortex/points", {np, 3}, cxyz.data());
  h5.attribute("/cortex/points", "units", "mm");
  h5.ints("/cortex/triangles", {p.cortex.triangles.size() / 3, 3}, p.cortex.triangles.data());
  h5.floats("/cortex/E", {k, np, 3}, e.data());
  h5.attribute("/cortex/E", "units", "V/m per mA");
  const std::vector<std::int32_t> tissue = tissue_tags(o.dir, p.mesh, s.element);
  h5.ints("/cortex/tissue", {np}, tissue.data());
  h5.attribute("/cortex/tissue", "numbering", fs::exists(fs::path(o.dir) / "headmesh.map")
                                                   ? "volume tags of the mesh (headmesh.map)"
                                                   : "material numbers of prop.dat");
  h5.attribute("/cortex/tissue", "outside", static_cast<double>(s.outside));
  if (o.nodes) {
    std::vector<float> u(k * nn);
    for (std::size_t c = 0; c < k; ++c)
      for (std::size_t i = 1; i <= nn; ++i)
        u[c * nn + i - 1] = p.system.dof[i] >= 0 ? static_cast<float>(t.x[c * n + p.system.dof[i]]) : 0.0f;
    h5.floats("/nodes/potential", {k, nn}, u.data());
    h5.attribute("/nodes/potential", "units", "V per mA");
  }
  h5.attribute("/", "units", "coordinates mm, potentials V per mA, fields V/m per mA");
  h5.attribute("/", "current", "1 mA into each non-reference electrode, out at the reference");
  h5.attribute("/", "model_digest", model_digest(o.dir));
  h5.attribute("/", "solver", t.solver);
  h5.attribute("/", "max_relative_residual", t.max_residual);
  h5.commit();
  const double write_seconds = since(t0);

  // the summary
  say("%zu electrodes, %zu nodes, %zu cortical points (%d outside every tetrahedron, nearest centroid)", ne, nn, np,
      s.outside);
  if (t.solver == "cholesky") say("factor %.1f MiB", t.factor_mib);
  say("largest relative residual %.3e", t.max_residual);
  say("time: read %.2f s, assemble %.2f s, factorise %.2f s, solve %.2f s, sample %.2f s, write %.2f s", p.read_seconds,
      p.assemble_seconds, t.factor_seconds, t.solve_seconds, sample_seconds, write_seconds);
  // resistance between every pair of electrodes: V_aa + V_bb - 2 V_ab per unit current
  const std::size_t ref = static_cast<std::size_t>(p.reference);
  const auto potential = [&](std::size_t a, std::size_t b) {  // at b for current into a (none into the reference)
    return a == ref ? 0.0 : v[(a < ref ? a : a - 1) * ne + b];
  };
  double rmin = INFINITY, rmax = 0.0;
  for (std::size_t a = 0; a < ne; ++a)
    for (std::size_t b = a + 1; b < ne; ++b) {
      const double r = (potential(a, a) + potential(b, b) - 2.0 * potential(a, b)) / unit_current;
      rmin = std::min(rmin, r);
      rmax = std::max(rmax, r);
    }
  say("electrode-to-electrode resistance %.1f .. %.1f ohm", rmin, rmax);
  say("wrote %s", out.c_str());
  return out;
}

}  // namespace leadfield
