#include "model_writer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace makemodel {

namespace {

// A real in the shortest form that reads back as the same 32-bit value, with a
// decimal point so that it reads as a real in any reader.
std::string real(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.9g", v);
  std::string s = buf;
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  return s;
}

void put(const std::filesystem::path& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << text;
  f.close();
  if (!f) throw std::runtime_error("cannot write " + path.string());
}

std::string coordinates(const std::array<double, 3>& p) {
  return real(p[0]) + " " + real(p[1]) + " " + real(p[2]);
}

}  // namespace

void write_model(const Model& m, const std::string& dir) {
  namespace fs = std::filesystem;
  const fs::path d(dir);
  std::error_code ec;
  fs::create_directories(d, ec);
  if (!fs::is_directory(d)) throw std::runtime_error("cannot create the directory " + dir);

  put(d / "setting.dta", "''\n" + real(m.scale) + "\n");

  std::string s = std::to_string(m.xyz.size()) + "\n";
  // one record per node: its number, then x y z
  for (std::size_t i = 0; i < m.xyz.size(); ++i) s += std::to_string(i + 1) + " " + coordinates(m.xyz[i]) + "\n";
  put(d / "xyz.dat", s);

  s = std::to_string(m.elem.size()) + " 4\n";
  // one record per element: its number, four corners from 0, the material
  for (std::size_t e = 0; e < m.elem.size(); ++e) {
    s += std::to_string(e + 1);
    for (auto v : m.elem[e]) s += " " + std::to_string(v);
    s += " " + std::to_string(m.mat[e]) + "\n";
  }
  put(d / "elem.dat", s);

  s = std::to_string(m.prop.size()) + "\n";
  // one conductivity per record
  for (double v : m.prop) s += real(v) + "\n";
  put(d / "prop.dat", s);

  s = std::to_string(m.bval.size()) + "\n";
  // one prescribed potential per record
  for (double v : m.bval) s += real(v) + "\n";
  put(d / "bval.dat", s);

  s = std::to_string(m.bcp.size()) + "\n";
  // one record per boundary entry: node from 1, code
  for (const auto& [node, code] : m.bcp) s += std::to_string(node) + " " + std::to_string(code) + "\n";
  put(d / "bcp.dat", s);

  put(d / "ele_size.txt", real(m.refarea) + " " + real(m.refcurr) + "\n");

  s = std::to_string(m.cortex.size()) + " " + std::to_string(m.tri.size()) + "\n";
  // the points, then the triangles with points counted from 1
  for (const auto& p : m.cortex) s += coordinates(p) + "\n";
  for (const auto& t : m.tri)
    s += std::to_string(t[0] + 1) + " " + std::to_string(t[1] + 1) + " " + std::to_string(t[2] + 1) + "\n";
  put(d / "cortex.dat", s);

  // the mesh changed: the solver must search its pattern again
  fs::remove(d / "irowjcol.da0", ec);
  if (fs::exists(d / "irowjcol.da0")) throw std::runtime_error("cannot remove the stale " + (d / "irowjcol.da0").string());
}

}  // namespace makemodel
