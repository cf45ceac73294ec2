#include "cortexmap/outputs.h"

#include <cmath>

#include "cortexmap/colour.h"
#include "cortexmap/inputs.h"
#include "textio/layout.h"
#include "textio/outfile.h"
#include "textio/record.h"

namespace cortexmap {

namespace {

// Output files are written through unit 22.
constexpr int unit = 22;

// The point records and triangle records shared by the .out and .tec files.
void point_and_triangle_records(const MapStore& m, textio::OutFile& f) {
  static const textio::Layout point("6E18.8");
  // one record per point: coordinates as read and the three sampled values
  for (std::int32_t p = 1; p <= m.npts; ++p) {
    const auto v = sampled_values(m, p);
    const textio::Item items[6] = {m.cxyz[3 * p + 0], m.cxyz[3 * p + 1], m.cxyz[3 * p + 2],
                                   v[0], v[1], v[2]};
    f.fixed(point, items);
  }
  // one free-format record per triangle: its three point numbers
  for (std::int32_t t = 1; t <= m.ntri; ++t)
    f.record(textio::Record().i32(m.itri[3 * t]).i32(m.itri[3 * t + 1]).i32(m.itri[3 * t + 2]));
}

}  // namespace

std::array<float, 3> scaled_values(const ElementFields& f, float fscale, std::int32_t e) {
  const double s = fscale;
  return {static_cast<float>(s * f.emag[e]), static_cast<float>(s * f.jmag[e]),
          static_cast<float>((s * f.pden[e]) * s)};
}

std::array<float, 3> sampled_values(const MapStore& m, std::int32_t p) {
  return scaled_values(m.fields, m.fscale, m.inear[p]);
}

void check_samples(const MapStore& m) {
  // every sampled value must be a finite 32-bit real
  for (std::int32_t p = 1; p <= m.npts; ++p) {
    const auto v = sampled_values(m, p);
    if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2])) throw SampleOverflow{p};
  }
}

namespace {

// The records of each file.
void out_records(const MapStore& m, textio::OutFile& f) { point_and_triangle_records(m, f); }

void tec_records(const MapStore& m, textio::OutFile& f) {
  f.record(textio::Record()
               .text("zone n = ")
               .i32(m.npts)
               .text(" , e = ")
               .i32(m.ntri)
               .text(" , f = fepoint, et = triangle"));
  point_and_triangle_records(m, f);
}

void ply_records(const MapStore& m, textio::OutFile& f) {
  static const textio::Layout line("A");
  static const textio::Layout vertex("3F18.8,3I5");
  static const textio::Layout face("4I10");
  // The header in the PLY format's own form: keyword at the first byte, one
  // blank between words and before the counts.
  const std::string header[] = {"ply",
                                "format ascii 1.0",
                                "comment merged by ovu",
                                "element vertex " + std::to_string(m.npts),
                                "property float x",
                                "property float y",
                                "property float z",
                                "property uchar red",
                                "property uchar green",
                                "property uchar blue",
                                "element face " + std::to_string(m.ntri),
                                "property list uchar int vertex_indices",
                                "end_header"};
  // one record per header line
  for (const std::string& h : header) {
    const textio::Item item[1] = {std::string_view(h)};
    f.fixed(line, item);
  }
  // one vertex record per point, coloured by its element's colour index
  for (std::int32_t p = 1; p <= m.npts; ++p) {
    const auto rgb = vertex_colour(m.icol[m.inear[p]]);
    const textio::Item items[6] = {m.cxyz[3 * p + 0], m.cxyz[3 * p + 1], m.cxyz[3 * p + 2],
                                   rgb[0], rgb[1], rgb[2]};
    f.fixed(vertex, items);
  }
  // one face record per triangle, point numbers counted from 0
  for (std::int32_t t = 1; t <= m.ntri; ++t) {
    const textio::Item items[4] = {std::int32_t{3}, m.itri[3 * t] - 1, m.itri[3 * t + 1] - 1,
                                   m.itri[3 * t + 2] - 1};
    f.fixed(face, items);
  }
}

}  // namespace

void write_out(const MapStore& m, const std::string& path) {
  textio::OutFile f(path, unit);
  out_records(m, f);
  f.commit();
}

void write_tec(const MapStore& m, const std::string& path) {
  textio::OutFile f(path, unit);
  tec_records(m, f);
  f.commit();
}

void write_ply(const MapStore& m, const std::string& path) {
  textio::OutFile f(path, unit);
  ply_records(m, f);
  f.commit();
}

void write_outputs(const MapStore& m, const std::string& dir) {
  // each file written and closed before the next is opened, then all renamed
  textio::OutFile out(file_in(dir, "cortexfield.out"), unit);
  out_records(m, out);
  out.complete();
  textio::OutFile tec(file_in(dir, "cortexfield.tec"), unit);
  tec_records(m, tec);
  tec.complete();
  textio::OutFile ply(file_in(dir, "cortexfield.ply"), unit);
  ply_records(m, ply);
  textio::commit_together({&out, &tec, &ply});
}

}  // namespace cortexmap
