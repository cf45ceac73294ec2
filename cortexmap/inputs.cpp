#include "cortexmap/inputs.h"

#include <cmath>
#include <string>

#include "shared/model_files.h"
#include "textio/reader.h"

namespace cortexmap {

namespace {

// Input files are read through unit 1.
constexpr int unit = 1;

using textio::Reader;

std::string num(std::int64_t v) { return std::to_string(v); }

// Rejects the value just read.
[[noreturn]] void reject(const Reader& r, const std::string& what) {
  throw InputRejected{r.name(), r.record(), what};
}

// A count outside 0 .. cap.
std::string count_text(const char* what, std::int32_t n, std::int32_t cap) {
  if (n < 0) return std::string(what) + " " + num(n) + " is negative";
  return std::string(what) + " " + num(n) + " is above the capacity " + num(cap);
}

// A table number outside lo .. hi.
std::string range_text(const std::string& where, const char* what, std::int32_t v, std::int32_t lo,
                       std::int32_t hi) {
  return where + ": " + what + " " + num(v) + " is outside " + num(lo) + ".." + num(hi);
}

// A count must lie in 0 .. cap: it sizes a table.
void check_count(const Reader& r, std::int32_t n, std::int32_t cap, const char* what) {
  if (n < 0 || n > cap) reject(r, count_text(what, n, cap));
}

// A table number must lie in lo .. hi.
void check_range(const Reader& r, std::int32_t v, std::int32_t lo, std::int32_t hi,
                 const std::string& where, const char* what) {
  if (v < lo || v > hi) reject(r, range_text(where, what, v, lo, hi));
}

// A value of a model file out of range, in this program's words.
std::string wording(const model_files::OutOfRange& v) {
  using O = model_files::OutOfRange;
  switch (v.what) {
    case O::node_count: return count_text("node count", v.found, v.hi);
    case O::element_count: return count_text("element count", v.found, v.hi);
    case O::material_count: return count_text("material count", v.found, v.hi);
    case O::value_count: return count_text("boundary value count", v.found, v.hi);
    case O::entry_count: return count_text("boundary entry count", v.found, v.hi);
    case O::corner:
      return range_text("element " + num(v.item), "node number (counted from 0)", v.found, v.lo, v.hi);
    case O::material: return range_text("element " + num(v.item), "material number", v.found, v.lo, v.hi);
    case O::entry_node: return range_text("entry " + num(v.item), "node number", v.found, v.lo, v.hi);
    case O::coordinate:
    case O::entry_code: break;  // not checked by this program
  }
  return "value " + num(v.found) + " is outside " + num(v.lo) + ".." + num(v.hi);
}

// This program's capacities and wording: coordinates as written, each value
// checked as soon as it is read, null values repeating the previous record's.
const model_files::ModelRules map_rules{
    .max_nodes = maxnode, .max_elements = maxelem, .max_materials = maxmat, .max_values = maxbval,
    .max_entries = maxbcp, .lowest_code = INT32_MIN, .factor = 1.0f, .check_overflow = false,
    .check_as_read = true, .null_repeats_previous = true,
    .reject = [](const Reader& r, const model_files::OutOfRange& v) { reject(r, wording(v)); }};

}  // namespace

std::string file_in(const std::string& dir, const char* name) {
  if (dir.empty()) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

float in_metres(float length) { return length * 0.001f; }

void scale_coordinates(MapStore& m) {
  // every coordinate of nodes 1 .. nnode
  for (std::size_t k = 3; k < 3 * (static_cast<std::size_t>(m.nnode) + 1); ++k) m.xyz[k] = in_metres(m.xyz[k]);
}

void read_xyz(MapStore& m, const std::string& dir) {
  Reader r = Reader::open(file_in(dir, "xyz.dat"), unit);
  m.nnode = model_files::read_nodes(r, map_rules, m.xyz);
}

void read_elem(MapStore& m, const std::string& dir) {
  Reader r = Reader::open(file_in(dir, "elem.dat"), unit);
  m.nelem = model_files::read_elements(r, map_rules, m.nnode, m.ielem, m.imat);
}

void read_potent(MapStore& m, const std::string& dir) {
  Reader r = Reader::open(file_in(dir, "POTENT.OUT"), unit);
  std::int32_t n = 0;
  r.read(n);
  check_count(r, n, maxnode, "node count");
  m.nnode = n;
  std::int32_t id = 0;
  float u = 0.0f;
  // potential of node i from record i + 1, narrowed to 32 bits
  for (std::int32_t i = 1; i <= n; ++i) {
    r.read(id, u);
    m.pot[i] = u;
  }
}

void read_bval(MapStore& m, const std::string& dir) {
  Reader r = Reader::open(file_in(dir, "bval.dat"), unit);
  model_files::read_reals(r, map_rules, model_files::OutOfRange::value_count, m.bval);
}

void read_bcp(MapStore& m, const std::string& dir) {
  Reader r = Reader::open(file_in(dir, "bcp.dat"), unit);
  // the entries kept as a list in file order
  m.bcplist.assign(2, 0);
  m.nbcp = model_files::read_entries(r, map_rules, m.nnode, [&](std::int32_t node, std::int32_t code) {
    m.bcplist.push_back(node);
    m.bcplist.push_back(code);
  });
}

void read_prop(MapStore& m, const std::string& dir) {
  Reader r = Reader::open(file_in(dir, "prop.dat"), unit);
  model_files::read_reals(r, map_rules, model_files::OutOfRange::material_count, m.prop);
}

void read_ele_size(MapStore& m, const std::string& dir) {
  Reader r = Reader::open(file_in(dir, "ele_size.txt"), unit);
  float a = 0.0f, b = 0.0f;
  r.read(a, b);
  m.refarea = a * 0.000001f;
  m.refcurr = std::fabs(b) * 0.001f;
}

void read_cortex(MapStore& m, const std::string& dir) {
  Reader r = Reader::open(file_in(dir, "cortex.dat"), unit);
  std::int32_t np = 0, nt = 0;
  r.begin();
  r.get(np);
  check_count(r, np, maxpts, "point count");
  r.get(nt);
  check_count(r, nt, maxtri, "triangle count");
  m.npts = np;
  m.ntri = nt;
  m.cxyz.assign(3 * (static_cast<std::size_t>(np) + 1), 0.0f);
  m.itri.assign(3 * (static_cast<std::size_t>(nt) + 1), 0);
  float x = 0.0f, y = 0.0f, z = 0.0f;
  // point p from record p + 1, kept as read
  for (std::int32_t p = 1; p <= np; ++p) {
    r.read(x, y, z);
    m.cxyz[3 * p + 0] = x;
    m.cxyz[3 * p + 1] = y;
    m.cxyz[3 * p + 2] = z;
  }
  std::int32_t v = 0;
  // triangle t from the records after the points: three point numbers from 1
  for (std::int32_t t = 1; t <= nt; ++t) {
    r.begin();
    for (int k = 0; k < 3; ++k) {
      r.get(v);
      check_range(r, v, 1, np, "triangle " + num(t), "point number");
      m.itri[3 * t + k] = v;
    }
  }
}

}  // namespace cortexmap
