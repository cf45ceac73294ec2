// Helpers of the pattern tests: solver tables from generated meshes and the
// cache text as the generic record writers give it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/meshgen.h"
#include "potsolve/model.h"
#include "textio/layout.h"
#include "textio/record.h"

namespace pattern_testing {

inline potsolve::ModelStore store_of(const testmesh::Mesh& mesh) {
  potsolve::ModelStore m;
  m.nnode = mesh.nnode;
  m.xyz = mesh.xyz;
  m.nelem = mesh.nelem;
  m.ielem = mesh.ielem;
  m.imat = mesh.imat;
  return m;
}

// n nodes and the given elements (1-based corners).
inline potsolve::ModelStore store_of(std::int32_t n, const std::vector<std::array<int, 4>>& elems) {
  potsolve::ModelStore m;
  m.nnode = n;
  m.nelem = static_cast<std::int32_t>(elems.size());
  m.ielem.assign(4 * (elems.size() + 1), 0);
  for (std::size_t e = 0; e < elems.size(); ++e)
    for (int k = 0; k < 4; ++k) m.ielem[4 * (e + 1) + k] = elems[e][k];
  return m;
}

// values[from..to] under the layout "12I8", by the generic layout writer.
inline std::string generic_12i8(const std::vector<std::int32_t>& values, std::size_t from,
                                std::size_t to) {
  std::vector<textio::Item> items(values.begin() + from, values.begin() + to + 1);
  return textio::render(textio::Layout("12I8"), items);
}

// The cache text of a pattern: n, irow(1..n), jcol(1..nnz).
inline std::string cache_text(std::int32_t n, const std::vector<std::int32_t>& irow,
                              const std::vector<std::int32_t>& jcol) {
  return textio::Record().i32(n).str() + "\n" + generic_12i8(irow, 1, n) +
         generic_12i8(jcol, 1, irow[n]);
}

}  // namespace pattern_testing
