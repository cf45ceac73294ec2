// The pattern search as the solver first did it, kept as the reference for the
// linear-time search: for every row, every slot of every element is compared
// with the row's node, and a matching element offers its four corners to the
// row buffer through a linear membership scan; the row is then sorted.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "potsolve/model.h"

namespace literal {

inline void search_pattern(const potsolve::ModelStore& m, std::int32_t n, std::int32_t ne,
                           std::vector<std::int32_t>& irow, std::vector<std::int32_t>& jcol) {
  irow.assign(n + 1, 0);
  jcol.assign(1, 0);
  std::vector<std::int32_t> rowlist(n + 1);
  std::int32_t nnz = 0;
  // one row per node
  for (std::int32_t i = 1; i <= n; ++i) {
    std::int32_t count = 1;
    rowlist[1] = i;
    // every element, every slot
    for (std::int32_t e = 1; e <= ne; ++e) {
      for (int k = 0; k < 4; ++k) {
        if (m.ielem[4 * e + k] != i) continue;
        // offer the four corners in slot order
        for (int s = 0; s < 4; ++s) {
          const std::int32_t v = m.ielem[4 * e + s];
          bool found = false;
          for (std::int32_t q = 1; q <= count && !found; ++q) found = rowlist[q] == v;
          if (!found) rowlist[++count] = v;
        }
      }
    }
    std::sort(rowlist.begin() + 1, rowlist.begin() + 1 + count);
    // append the sorted row
    for (std::int32_t q = 1; q <= count; ++q) {
      ++nnz;
      jcol.push_back(rowlist[q]);
    }
    irow[i] = nnz;
  }
}

}  // namespace literal
