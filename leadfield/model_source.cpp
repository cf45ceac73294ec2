#include "leadfield/model_source.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "leadfield/error.h"
#include "potsolve/assemble.h"
#include "potsolve/model.h"
#include "potsolve/pattern.h"
#include "shared/model_files.h"
#include "textio/reader.h"

namespace leadfield {

namespace {

constexpr int unit = 1;

std::string num(std::int64_t v) { return std::to_string(v); }

textio::Reader open_file(const std::string& dir, const char* name) {
  const std::string path = (std::filesystem::path(dir) / name).string();
  std::optional<textio::Reader> rd = textio::Reader::try_open(path, unit);
  if (!rd) throw Error(path + ": cannot open the model file");
  return std::move(*rd);
}

[[noreturn]] void reject(const textio::Reader& rd, const std::string& what) {
  throw Error(rd.name() + ", record " + num(rd.record()) + ": " + what);
}

// The solver's capacities; a value out of range is one line naming the file.
model_files::ModelRules rules(float factor) {
  return {.max_nodes = potsolve::maxnode, .max_elements = potsolve::maxelem, .max_materials = potsolve::maxmat,
          .max_values = potsolve::maxbval, .max_entries = INT32_MAX, .lowest_code = INT32_MIN, .factor = factor,
          .check_overflow = true, .check_as_read = false, .null_repeats_previous = false,
          .reject = [](const textio::Reader& rd, const model_files::OutOfRange& v) {
            reject(rd, "value " + num(v.found) + " of item " + num(v.item) + " outside " + num(v.lo) + " .. " +
                           num(v.hi));
          }};
}

}  // namespace

Mesh read_mesh(const std::string& dir) {
  Mesh m;
  {
    textio::Reader rd = open_file(dir, "setting.dta");
    std::string datadir;
    rd.read(textio::Str{datadir, 40});
    rd.read(m.scale);
    if (!(m.scale > 0.0f)) reject(rd, "the coordinate factor must be positive");
  }
  {
    textio::Reader rd = open_file(dir, "xyz.dat");
    m.nnode = model_files::read_nodes(rd, rules(1.0f), m.unscaled);
  }
  m.xyz.resize(m.unscaled.size());
  for (std::size_t i = 0; i < m.unscaled.size(); ++i) m.xyz[i] = m.unscaled[i] * m.scale;  // as the solver scales
  {
    textio::Reader rd = open_file(dir, "elem.dat");
    m.nelem = model_files::read_elements(rd, rules(1.0f), m.nnode, m.ielem, m.imat);
  }
  std::vector<float> prop(potsolve::maxmat + 1, 0.0f);
  {
    textio::Reader rd = open_file(dir, "prop.dat");
    model_files::read_reals(rd, rules(1.0f), model_files::OutOfRange::material_count, prop);
  }
  m.sigel.assign(static_cast<std::size_t>(m.nelem) + 1, 0.0f);
  for (std::int32_t e = 1; e <= m.nelem; ++e) m.sigel[e] = prop[m.imat[e]];
  return m;
}

Cortex read_cortex(const std::string& dir) {
  Cortex c;
  const std::string path = (std::filesystem::path(dir) / "cortex.dat").string();
  if (!std::filesystem::exists(path)) return c;
  textio::Reader rd = open_file(dir, "cortex.dat");
  std::int32_t np = 0, nt = 0;
  rd.read(np, nt);
  if (np < 0 || nt < 0) reject(rd, "negative point or triangle count");
  c.points.resize(3 * static_cast<std::size_t>(np));
  for (std::int32_t p = 0; p < np; ++p) rd.read(c.points[3 * p], c.points[3 * p + 1], c.points[3 * p + 2]);
  c.triangles.resize(3 * static_cast<std::size_t>(nt));
  for (std::int32_t t = 0; t < nt; ++t) {
    std::int32_t a = 0, b = 0, d = 0;
    rd.read(a, b, d);
    for (std::int32_t v : {a, b, d})
      if (v < 1 || v > np) reject(rd, "corner " + num(v) + " of triangle " + num(t + 1) + " is not a point");
    c.triangles[3 * t] = a - 1;
    c.triangles[3 * t + 1] = b - 1;
    c.triangles[3 * t + 2] = d - 1;
  }
  return c;
}

Conduction assemble_conduction(const Mesh& mesh) {
  potsolve::ModelStore s;
  s.nnode = mesh.nnode;
  s.nelem = mesh.nelem;
  s.xyz = mesh.xyz;
  s.ielem = mesh.ielem;
  s.imat = mesh.imat;
  s.sigel = mesh.sigel;
  s.rhs.assign(static_cast<std::size_t>(mesh.nnode) + 1, 0.0);
  try {
    potsolve::build_pattern(s, mesh.nnode, mesh.nelem, s.irow, s.jcol);
    s.amat.assign(s.jcol.size(), 0.0);
    potsolve::assemble(s, mesh.nnode, mesh.nelem);
  } catch (const potsolve::TooManyTerms& t) {
    throw Error("the matrix has more stored terms than this build holds (" + num(t.limit) +
                "; raise it with the CMake option POTSOLVE_MAXNZ)");
  } catch (const potsolve::ZeroVolume& z) {
    throw Error("elem.dat: element " + num(z.element) + " has zero volume");
  }
  return {mesh.nnode, std::move(s.irow), std::move(s.jcol), std::move(s.amat)};
}

std::string model_digest(const std::string& dir) {
  // FNV-1a over each file's name and bytes, in a fixed order
  std::uint64_t h = 14695981039346656037ull;
  const auto add = [&h](const char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(p[i])) * 1099511628211ull;
  };
  for (const char* name : {"setting.dta", "xyz.dat", "elem.dat", "prop.dat", "electrodes.dat", "cortex.dat"}) {
    std::ifstream in(std::filesystem::path(dir) / name, std::ios::binary);
    if (!in) continue;
    add(name, std::char_traits<char>::length(name) + 1);
    char buf[1 << 16];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) add(buf, static_cast<std::size_t>(in.gcount()));
  }
  char out[17];
  std::snprintf(out, sizeof out, "%016" PRIx64, h);
  return out;
}

}  // namespace leadfield
