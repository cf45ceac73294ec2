#include "cortexmap/averages.h"

#include <vector>

namespace cortexmap {

std::vector<float> node_averages(const MapStore& m, const ElementFields& f, ProgressLine& progress) {
  const std::size_t n = static_cast<std::size_t>(m.nnode) + 1;
  std::vector<float> sum(3 * n, 0.0f);
  std::vector<std::int32_t> count(n, 0);
  // one pass over the elements in order: every slot adds into its node's sums
  for (std::int32_t e = 1; e <= m.nelem; ++e) {
    for (int j = 0; j < 4; ++j) {
      const std::int32_t i = m.ielem[4 * e + j];
      if (i < 1 || i > m.nnode) continue;  // a node beyond the count of potent.out
      ++count[i];
      sum[3 * i + 0] = sum[3 * i + 0] + f.emag[e];
      sum[3 * i + 1] = sum[3 * i + 1] + f.jmag[e];
      sum[3 * i + 2] = sum[3 * i + 2] + f.pden[e];
    }
  }
  // the means, node by node, with the progress line
  std::vector<float> ndavg(3 * n, 0.0f);
  for (std::int32_t i = 1; i <= m.nnode; ++i) {
    progress.advance(i);
    for (int k = 0; k < 3; ++k)
      ndavg[3 * i + k] = count[i] > 0 ? sum[3 * i + k] / static_cast<float>(count[i]) : 0.0f;
  }
  return ndavg;
}

}  // namespace cortexmap
