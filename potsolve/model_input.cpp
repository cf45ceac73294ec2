#include "potsolve/model_input.h"

#include <cmath>
#include <optional>
#include <string>

#include "potsolve/settings.h"
#include "textio/reader.h"

namespace potsolve {
namespace {

// Opens a model file from datadir; one that cannot be opened is missing.
textio::Reader open_model_file(const ModelStore& m, const char* name) {
  const std::string path = make_path(m.datadir, name);
  std::optional<textio::Reader> rd = textio::Reader::try_open(path, 1);
  if (!rd) throw ModelFileMissing{path};
  return std::move(*rd);
}

// Reads a count and rejects it unless it lies in 0 .. cap.
std::int32_t read_count(textio::Reader& rd, std::int32_t cap, const char* what) {
  std::int32_t count = 0;
  rd.read(count);
  if (count < 0 || count > cap)
    rd.reject(std::string(what) + " " + std::to_string(count) + " outside 0 .. " +
              std::to_string(cap));
  return count;
}

void read_nodes(ModelStore& m, textio::Reader& rd) {
  m.nnode = read_count(rd, maxnode, "node count");
  m.xyz.assign(3 * (static_cast<std::size_t>(m.nnode) + 1), 0.0f);
  std::int32_t number = 0;  // the node number of a statement is read and not used
  // node i: x, y, z times scale, each product rounded to 32 bits
  for (std::int32_t i = 1; i <= m.nnode; ++i) {
    float* p = &m.xyz[3 * static_cast<std::size_t>(i)];
    rd.read(number, p[0], p[1], p[2]);
    for (int c = 0; c < 3; ++c) {
      p[c] = p[c] * m.scale;
      if (!std::isfinite(p[c]))
        rd.reject("coordinate of node " + std::to_string(i) + " times the scale overflows");
    }
  }
}

void read_elements(ModelStore& m, textio::Reader& rd) {
  std::int32_t unused = 0;
  rd.read(m.nelem, unused);
  if (m.nelem < 0 || m.nelem > maxelem)
    rd.reject("element count " + std::to_string(m.nelem) + " outside 0 .. " +
              std::to_string(maxelem));
  m.ielem.assign(4 * (static_cast<std::size_t>(m.nelem) + 1), 0);
  m.imat.assign(static_cast<std::size_t>(m.nelem) + 1, 0);
  std::int32_t number = 0;  // the element number of a statement is read and not used
  // element e: four corners counted from 0 in the file, then the material
  for (std::int32_t e = 1; e <= m.nelem; ++e) {
    std::int32_t* c = &m.ielem[4 * static_cast<std::size_t>(e)];
    rd.read(number, c[0], c[1], c[2], c[3], m.imat[e]);
    for (int k = 0; k < 4; ++k) {
      if (c[k] < 0 || c[k] >= m.nnode)
        rd.reject("corner " + std::to_string(c[k]) + " of element " + std::to_string(e) +
                  " is not a node (0 .. " + std::to_string(m.nnode - 1) + ")");
      c[k] += 1;
    }
    if (m.imat[e] < 1 || m.imat[e] > maxmat)
      rd.reject("material " + std::to_string(m.imat[e]) + " of element " + std::to_string(e) +
                " outside 1 .. " + std::to_string(maxmat));
  }
}

void read_conductivities(ModelStore& m, textio::Reader& rd) {
  const std::int32_t count = read_count(rd, maxmat, "material count");
  // one conductivity per statement
  for (std::int32_t k = 1; k <= count; ++k) rd.read(m.prop[k]);
}

void read_potentials(ModelStore& m, textio::Reader& rd) {
  m.nbval = read_count(rd, maxbval, "prescribed potential count");
  // one prescribed potential per statement
  for (std::int32_t k = 1; k <= m.nbval; ++k) rd.read(m.bval[k]);
}

void read_codes(ModelStore& m, textio::Reader& rd) {
  m.bcp.assign(static_cast<std::size_t>(m.nnode) + 1, 0);
  std::int32_t count = 0;
  rd.read(count);
  if (count < 0) rd.reject("entry count " + std::to_string(count) + " is negative");
  std::int32_t node = 0, code = 0;
  // entry: node (counted from 1) and its code; a later entry for a node wins
  for (std::int32_t k = 1; k <= count; ++k) {
    rd.read(node, code);
    if (node < 1 || node > m.nnode)
      rd.reject("node " + std::to_string(node) + " outside 1 .. " + std::to_string(m.nnode));
    if (code < -maxbval)
      rd.reject("code " + std::to_string(code) + " names no prescribed potential (at most " +
                std::to_string(maxbval) + ")");
    m.bcp[node] = code;
  }
}

}  // namespace

void read_model(ModelStore& m, const std::function<void(const char* name)>& announce) {
  using Reading = void (*)(ModelStore&, textio::Reader&);
  static const std::pair<const char*, Reading> files[] = {
      {"xyz.dat", read_nodes},       {"elem.dat", read_elements}, {"prop.dat", read_conductivities},
      {"bval.dat", read_potentials}, {"bcp.dat", read_codes}};
  // each file in turn, announced first
  for (const auto& [name, read] : files) {
    if (announce) announce(name);
    textio::Reader rd = open_model_file(m, name);
    read(m, rd);
  }
}

void derive_conductivities(ModelStore& m) {
  m.sigel.assign(static_cast<std::size_t>(m.nelem) + 1, 0.0f);
  // the conductivity of each element is that of its material
  for (std::int32_t e = 1; e <= m.nelem; ++e) m.sigel[e] = m.prop[m.imat[e]];
}

}  // namespace potsolve
