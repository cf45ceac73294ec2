#include "cortexmap/inputs.h"

#include <cmath>
#include <string>

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

// A count must lie in 0 .. cap: it sizes a table.
void check_count(const Reader& r, std::int32_t n, std::int32_t cap, const char* what) {
  if (n < 0) reject(r, std::string(what) + " " + num(n) + " is negative");
  if (n > cap)
    reject(r, std::string(what) + " " + num(n) + " is above the capacity " + num(cap));
}

// A table number must lie in lo .. hi.
void check_range(const Reader& r, std::int32_t v, std::int32_t lo, std::int32_t hi,
                 const std::string& where, const char* what) {
  if (v < lo || v > hi)
    reject(r, where + ": " + what + " " + num(v) + " is outside " + num(lo) + ".." + num(hi));
}

// A count in 0 .. cap, then one 32-bit real per record into table(1..count).
void read_reals(const char* file, std::int32_t cap, const char* what, std::vector<float>& table) {
  Reader r = Reader::open(file, unit);
  std::int32_t n = 0;
  r.read(n);
  check_count(r, n, cap, what);
  float v = 0.0f;
  // value k from record k + 1
  for (std::int32_t k = 1; k <= n; ++k) {
    r.read(v);
    table[k] = v;
  }
}

}  // namespace

void read_xyz(MapStore& m) {
  Reader r = Reader::open("xyz.dat", unit);
  std::int32_t n = 0;
  r.read(n);
  check_count(r, n, maxnode, "node count");
  m.nnode = n;
  std::int32_t id = 0;
  float x = 0.0f, y = 0.0f, z = 0.0f;
  // node i from record i + 1, scaled to the solver's length unit
  for (std::int32_t i = 1; i <= n; ++i) {
    r.read(id, x, y, z);
    m.xyz[3 * i + 0] = x * 0.001f;
    m.xyz[3 * i + 1] = y * 0.001f;
    m.xyz[3 * i + 2] = z * 0.001f;
  }
}

void read_elem(MapStore& m) {
  Reader r = Reader::open("elem.dat", unit);
  std::int32_t n = 0, unused = 0;
  r.read(n, unused);
  check_count(r, n, maxelem, "element count");
  m.nelem = n;
  m.ielem.assign(4 * (static_cast<std::size_t>(n) + 1), 0);
  m.imat.assign(static_cast<std::size_t>(n) + 1, 0);
  std::int32_t id = 0, c[4] = {0, 0, 0, 0}, mat = 0;
  // element e from record e + 1: corners counted from 0 in the file, material from 1
  for (std::int32_t e = 1; e <= n; ++e) {
    r.begin();
    r.get(id);
    for (int k = 0; k < 4; ++k) {
      r.get(c[k]);
      check_range(r, c[k], 0, m.nnode - 1, "element " + num(e), "node number (counted from 0)");
      m.ielem[4 * e + k] = c[k] + 1;
    }
    r.get(mat);
    check_range(r, mat, 1, maxmat, "element " + num(e), "material number");
    m.imat[e] = mat;
  }
}

void read_potent(MapStore& m) {
  Reader r = Reader::open("potent.out", unit);
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

void read_bval(MapStore& m) { read_reals("bval.dat", maxbval, "boundary value count", m.bval); }

void read_bcp(MapStore& m) {
  Reader r = Reader::open("bcp.dat", unit);
  std::int32_t n = 0;
  r.read(n);
  check_count(r, n, maxbcp, "boundary entry count");
  m.nbcp = n;
  m.bcplist.assign(2 * (static_cast<std::size_t>(n) + 1), 0);
  std::int32_t node = 0, code = 0;
  // entry k from record k + 1: node number (counted from 1) and code
  for (std::int32_t k = 1; k <= n; ++k) {
    r.begin();
    r.get(node);
    check_range(r, node, 1, m.nnode, "entry " + num(k), "node number");
    r.get(code);
    m.bcplist[2 * k] = node;
    m.bcplist[2 * k + 1] = code;
  }
}

void read_prop(MapStore& m) { read_reals("prop.dat", maxmat, "material count", m.prop); }

void read_ele_size(MapStore& m) {
  Reader r = Reader::open("ele_size.txt", unit);
  float a = 0.0f, b = 0.0f;
  r.read(a, b);
  m.refarea = a * 0.000001f;
  m.refcurr = std::fabs(b) * 0.001f;
}

void read_cortex(MapStore& m) {
  Reader r = Reader::open("cortex.dat", unit);
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
