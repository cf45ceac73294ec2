// The transpose map as a plain column-by-row sweep: for every column c and every
// row k >= 2, the row's cursor takes the term when it sits in column c. It costs
// n^2 cursor tests and is kept here as the reference for build_transpose_map.
#pragma once

#include <cstdint>
#include <vector>

namespace reference {

inline void literal_transpose_map(std::int32_t n, std::int32_t nlow,
                                  const std::vector<std::int32_t>& irow,
                                  std::vector<std::int32_t>& jcol,
                                  std::vector<std::int32_t>& itrans) {
  // Each row's cursor at its first lower term, kept in jcol(nlow+k).
  if (n >= 2)
    for (std::int32_t k = 2; k <= n; ++k) jcol[nlow + k] = irow[k - 1] + 1;
  std::int32_t m = 0;
  // Column by column, row by row: the terms in column-major order.
  for (std::int32_t c = 1; c <= n; ++c)
    for (std::int32_t k = 2; k <= n; ++k) {
      std::int32_t& cur = jcol[nlow + k];
      if (cur <= irow[k] && jcol[cur] == c) {
        ++m;
        itrans[m] = cur;
        ++cur;
      }
    }
}

}  // namespace reference
