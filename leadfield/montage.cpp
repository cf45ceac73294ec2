#include "leadfield/montage.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "leadfield/error.h"
#include "leadfield/h5file.h"
#include "leadfield/model_source.h"
#include "textio/layout.h"
#include "textio/outfile.h"
#include "textio/record.h"

namespace leadfield {

namespace {

// Area-weighted normals of the points, oriented as the triangles are.
std::vector<double> point_normals(const std::vector<double>& x, const std::vector<std::int32_t>& tri) {
  std::vector<double> nrm(x.size(), 0.0);
  for (std::size_t t = 0; t + 2 < tri.size(); t += 3) {
    const double* a = &x[3 * tri[t]];
    const double* b = &x[3 * tri[t + 1]];
    const double* c = &x[3 * tri[t + 2]];
    const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const double cr[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    for (int k = 0; k < 3; ++k)
      for (int d = 0; d < 3; ++d) nrm[3 * tri[t + k] + d] += cr[d];
  }
  for (std::size_t p = 0; p < nrm.size(); p += 3) {
    const double len = std::hypot(nrm[p], nrm[p + 1], nrm[p + 2]);
    if (len > 0.0)
      for (int d = 0; d < 3; ++d) nrm[p + d] /= len;
  }
  return nrm;
}

}  // namespace

MontageField montage_field(const MontageOptions& o) {
  const H5Reader h5(o.file);
  MontageField f;
  f.names = h5.strings("/electrodes/names");
  const std::string reference = h5.text_attribute("/electrodes/names", "reference");
  if (!o.model.empty()) {
    const std::string digest = h5.text_attribute("/", "model_digest");
    if (digest != model_digest(o.model))
      throw Error(o.file + ": made from another model than " + o.model + " (digest " + digest + ", the model's " +
                  model_digest(o.model) + "); run leadfield again");
  }
  const std::size_t ne = f.names.size();
  const auto ref = static_cast<std::size_t>(std::find(f.names.begin(), f.names.end(), reference) - f.names.begin());
  if (ref >= ne) throw Error(o.file + ": the reference " + reference + " is not among the electrodes");
  // the current of every electrode
  f.current.assign(ne, 0.0);
  std::vector<bool> given(ne, false);
  for (const auto& [name, ma] : o.currents) {
    const auto k = static_cast<std::size_t>(std::find(f.names.begin(), f.names.end(), name) - f.names.begin());
    if (k >= ne) throw Error("--current " + name + ": no electrode of that name in " + o.file);
    if (k == ref) throw Error("--current " + name + ": the reference takes minus the sum of the others");
    if (given[k]) throw Error("--current " + name + ": given twice");
    given[k] = true;
    f.current[k] = ma;
    f.current[ref] -= ma;
  }
  // the weighted sums: electrode potentials and the field, column k for cap index k
  const std::vector<double> v = h5.reals("/electrodes/V");
  const std::vector<std::uint64_t> dims = h5.dims("/cortex/E");
  if (v.size() != (ne - 1) * ne || dims.size() != 3 || dims[0] != ne - 1 || dims[2] != 3)
    throw Error(o.file + ": /electrodes/V or /cortex/E is not of the cap's shape");
  const std::size_t np = dims[1];
  f.potential.assign(ne, 0.0);
  f.e.assign(3 * np, 0.0);
  for (std::size_t k = 0, c = 0; k < ne; ++k) {
    if (k == ref) continue;
    const double w = f.current[k];
    if (w != 0.0) {
      for (std::size_t j = 0; j < ne; ++j) f.potential[j] += w * v[c * ne + j];
      // only the columns of electrodes that carry current are read
      const std::vector<float> ek = h5.float_row("/cortex/E", c);
      for (std::size_t q = 0; q < 3 * np; ++q) f.e[q] += w * ek[q];
    }
    ++c;
  }
  f.points = h5.reals("/cortex/points");
  f.triangles = h5.ints("/cortex/triangles");
  if (f.points.size() != 3 * np) throw Error(o.file + ": /cortex/points does not match /cortex/E");
  for (std::int32_t t : f.triangles)
    if (t < 0 || static_cast<std::size_t>(t) >= np) throw Error(o.file + ": /cortex/triangles names no point");
  f.normal = point_normals(f.points, f.triangles);
  return f;
}

std::vector<std::string> run_montage(const MontageOptions& o) {
  const auto t0 = std::chrono::steady_clock::now();
  const std::clock_t c0 = std::clock();
  const MontageField f = montage_field(o);
  const double sum_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  const double sum_cpu_ms = 1000.0 * static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
  const std::size_t np = f.points.size() / 3, nt = f.triangles.size() / 3;
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(o.out, ec);
  if (!fs::is_directory(o.out)) throw Error(o.out + ": cannot create the directory");
  textio::OutFile table((fs::path(o.out) / "montage.out").string(), 22);
  textio::OutFile surface((fs::path(o.out) / "montage.vtp").string(), 23);
  // the table: per point x, y, z (mm), Ex, Ey, Ez, |E|, En (V/m); then the triangles from 1
  static const textio::Layout row("8E18.8");
  std::vector<double> mag(np), en(np);
  for (std::size_t p = 0; p < np; ++p) {
    const double* e = &f.e[3 * p];
    mag[p] = std::hypot(e[0], e[1], e[2]);
    en[p] = e[0] * f.normal[3 * p] + e[1] * f.normal[3 * p + 1] + e[2] * f.normal[3 * p + 2];
    const textio::Item items[8] = {f.points[3 * p], f.points[3 * p + 1], f.points[3 * p + 2], e[0], e[1], e[2],
                                   mag[p], en[p]};
    table.fixed(row, items);
  }
  for (std::size_t t = 0; t < nt; ++t)
    table.record(
        textio::Record().i32(f.triangles[3 * t] + 1).i32(f.triangles[3 * t + 1] + 1).i32(f.triangles[3 * t + 2] + 1));
  // the surface: VTK XML polygon data with the field as point data, lines as they are
  static const textio::Layout plain("A");
  const auto put = [&surface](const std::string& s) {
    const textio::Item item[1] = {std::string_view(s)};
    surface.fixed(plain, item);
  };
  const auto values = [&](const char* type, const char* name, int comps, std::size_t count, auto value) {
    // the cells' arrays are lists of one component, three corners to a line
    const std::string components = type[0] == 'I' ? "" : " NumberOfComponents=\"" + std::to_string(comps) + "\"";
    put(std::string("<DataArray type=\"") + type + "\" Name=\"" + name + "\"" + components + " format=\"ascii\">");
    for (std::size_t p = 0; p < count; ++p) {
      std::string line;
      for (int c = 0; c < comps; ++c) {
        char buf[32];
        std::snprintf(buf, sizeof buf, c ? " %.9g" : "%.9g", value(p, c));
        line += buf;
      }
      put(line);
    }
    put("</DataArray>");
  };
  put("<?xml version=\"1.0\"?>");
  put("<VTKFile type=\"PolyData\" version=\"0.1\" byte_order=\"LittleEndian\">");
  put("<PolyData>");
  put("<Piece NumberOfPoints=\"" + std::to_string(np) + "\" NumberOfPolys=\"" + std::to_string(nt) + "\">");
  put("<PointData Vectors=\"E\" Scalars=\"magnitude\">");
  values("Float64", "E", 3, np, [&](std::size_t p, int c) { return f.e[3 * p + c]; });
  values("Float64", "magnitude", 1, np, [&](std::size_t p, int) { return mag[p]; });
  values("Float64", "normal_component", 1, np, [&](std::size_t p, int) { return en[p]; });
  put("</PointData>");
  put("<Points>");
  values("Float64", "Points", 3, np, [&](std::size_t p, int c) { return f.points[3 * p + c]; });
  put("</Points>");
  put("<Polys>");
  values("Int32", "connectivity", 3, nt, [&](std::size_t t, int c) { return static_cast<double>(f.triangles[3 * t + c]); });
  values("Int32", "offsets", 1, nt, [&](std::size_t t, int) { return static_cast<double>(3 * t + 3); });
  put("</Polys>");
  put("</Piece>");
  put("</PolyData>");
  put("</VTKFile>");
  textio::commit_together({&table, &surface});

  // every electrode's potential
  for (std::size_t k = 0; k < f.names.size(); ++k)
    std::printf("leadfield: %-8s %10.4f mA %14.6f V\n", f.names[k].c_str(), f.current[k], f.potential[k]);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  std::printf("leadfield: wrote %s and %s (%zu points): montage in %.1f ms (%.1f ms processor), files in %.1f ms\n",
              table.path().c_str(), surface.path().c_str(), np, sum_ms, sum_cpu_ms, ms - sum_ms);
  return {table.path(), surface.path()};
}

}  // namespace leadfield
