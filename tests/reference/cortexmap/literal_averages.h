// The exhaustive node averages (every node against every element slot), kept as
// the reference of the one-pass accumulation.
#pragma once

#include <cstdint>
#include <vector>

namespace literal {

// ndavg[3*i + k] for i = 1 .. nnode; a node that no slot holds divides by 0
// here, so callers compare only referenced nodes against it.
inline std::vector<float> node_averages(std::int32_t nnode, std::int32_t nelem,
                                        const std::vector<std::int32_t>& ielem,
                                        const std::vector<float>& emag,
                                        const std::vector<float>& jmag,
                                        const std::vector<float>& pden) {
  std::vector<float> ndavg(3 * (static_cast<std::size_t>(nnode) + 1), 0.0f);
  for (std::int32_t i = 1; i <= nnode; ++i) {
    float s1 = 0.0f, s2 = 0.0f, s3 = 0.0f;
    std::int32_t count = 0;
    for (std::int32_t e = 1; e <= nelem; ++e)
      for (int j = 0; j < 4; ++j)
        if (ielem[4 * e + j] == i) {
          ++count;
          s1 = s1 + emag[e];
          s2 = s2 + jmag[e];
          s3 = s3 + pden[e];
        }
    if (count == 0) continue;
    ndavg[3 * i] = s1 / static_cast<float>(count);
    ndavg[3 * i + 1] = s2 / static_cast<float>(count);
    ndavg[3 * i + 2] = s3 / static_cast<float>(count);
  }
  return ndavg;
}

}  // namespace literal
