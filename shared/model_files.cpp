#include "shared/model_files.h"

#include <cmath>

namespace model_files {

namespace {

using textio::Reader;

// Rejects v unless it lies in lo .. hi.
void check(const Reader& r, const ModelRules& rules, OutOfRange::What what, std::int32_t item,
           std::int32_t v, std::int32_t lo, std::int32_t hi) {
  if (v < lo || v > hi) rules.reject(r, OutOfRange{what, item, v, lo, hi});
}

std::int32_t capacity(const ModelRules& rules, OutOfRange::What count) {
  switch (count) {
    case OutOfRange::node_count: return rules.max_nodes;
    case OutOfRange::element_count: return rules.max_elements;
    case OutOfRange::material_count: return rules.max_materials;
    case OutOfRange::value_count: return rules.max_values;
    default: return rules.max_entries;
  }
}

// A count read on its own, in 0 .. its capacity.
std::int32_t read_count(Reader& r, const ModelRules& rules, OutOfRange::What what) {
  std::int32_t n = 0;
  r.read(n);
  check(r, rules, what, 0, n, 0, capacity(rules, what));
  return n;
}

}  // namespace

std::int32_t read_nodes(Reader& r, const ModelRules& rules, std::vector<float>& xyz) {
  const std::int32_t n = read_count(r, rules, OutOfRange::node_count);
  const std::size_t need = 3 * (static_cast<std::size_t>(n) + 1);
  if (xyz.size() < need) xyz.resize(need, 0.0f);
  std::int32_t number = 0;  // the node number of a statement is read and not used
  float p[3] = {0.0f, 0.0f, 0.0f};
  // node i from statement i + 1: x, y, z times the factor, each product rounded to 32 bits
  for (std::int32_t i = 1; i <= n; ++i) {
    if (!rules.null_repeats_previous) p[0] = p[1] = p[2] = 0.0f;
    r.read(number, p[0], p[1], p[2]);
    // each coordinate in turn
    for (int c = 0; c < 3; ++c) {
      const float scaled = p[c] * rules.factor;
      if (rules.check_overflow && !std::isfinite(scaled))
        rules.reject(r, OutOfRange{OutOfRange::coordinate, i, 0, 0, 0});
      xyz[3 * static_cast<std::size_t>(i) + c] = scaled;
    }
  }
  return n;
}

std::int32_t read_elements(Reader& r, const ModelRules& rules, std::int32_t nnode,
                           std::vector<std::int32_t>& ielem, std::vector<std::int32_t>& imat) {
  std::int32_t n = 0, unused = 0;
  r.read(n, unused);
  check(r, rules, OutOfRange::element_count, 0, n, 0, rules.max_elements);
  ielem.assign(4 * (static_cast<std::size_t>(n) + 1), 0);
  imat.assign(static_cast<std::size_t>(n) + 1, 0);
  auto check_corner = [&](std::int32_t e, std::int32_t c) {
    check(r, rules, OutOfRange::corner, e, c, 0, nnode - 1);
  };
  auto check_material = [&](std::int32_t e, std::int32_t mat) {
    check(r, rules, OutOfRange::material, e, mat, 1, rules.max_materials);
  };
  std::int32_t number = 0;  // the element number of a statement is read and not used
  std::int32_t c[4] = {0, 0, 0, 0}, mat = 0;
  // element e from statement e + 1: four corners counted from 0, then the material
  for (std::int32_t e = 1; e <= n; ++e) {
    if (!rules.null_repeats_previous) c[0] = c[1] = c[2] = c[3] = mat = 0;
    r.begin();
    r.get(number);
    // each corner as it is read
    for (int k = 0; k < 4; ++k) {
      r.get(c[k]);
      if (rules.check_as_read) check_corner(e, c[k]);
    }
    r.get(mat);
    // or every corner once the record is read
    for (int k = 0; k < 4 && !rules.check_as_read; ++k) check_corner(e, c[k]);
    check_material(e, mat);
    // the corners counted from 1
    for (int k = 0; k < 4; ++k) ielem[4 * static_cast<std::size_t>(e) + k] = c[k] + 1;
    imat[e] = mat;
  }
  return n;
}

std::int32_t read_reals(Reader& r, const ModelRules& rules, OutOfRange::What count,
                        std::vector<float>& table) {
  const std::int32_t n = read_count(r, rules, count);
  float v = 0.0f;
  // value k from statement k + 1
  for (std::int32_t k = 1; k <= n; ++k) {
    if (!rules.null_repeats_previous) v = 0.0f;
    r.read(v);
    table[k] = v;
  }
  return n;
}

std::int32_t read_entries(Reader& r, const ModelRules& rules, std::int32_t nnode,
                          const std::function<void(std::int32_t node, std::int32_t code)>& keep) {
  const std::int32_t n = read_count(r, rules, OutOfRange::entry_count);
  std::int32_t node = 0, code = 0;
  // entry k from statement k + 1: the node (counted from 1) and its code
  for (std::int32_t k = 1; k <= n; ++k) {
    r.begin();
    r.get(node);
    if (rules.check_as_read) check(r, rules, OutOfRange::entry_node, k, node, 1, nnode);
    r.get(code);
    if (!rules.check_as_read) check(r, rules, OutOfRange::entry_node, k, node, 1, nnode);
    check(r, rules, OutOfRange::entry_code, k, code, rules.lowest_code, INT32_MAX);
    keep(node, code);
  }
  return n;
}

}  // namespace model_files
