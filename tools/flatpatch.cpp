#include "flatpatch.h"

namespace makemodel {

void flat_patch(Model& model, const std::array<double, 3>& centre, int u, int v, double half, int n) {
  const auto first = static_cast<std::int32_t>(model.cortex.size());
  // the points row by row
  for (int b = 0; b < n; ++b)
    for (int a = 0; a < n; ++a) {
      auto p = centre;
      p[u] += n > 1 ? -half + 2.0 * half * a / (n - 1) : 0.0;
      p[v] += n > 1 ? -half + 2.0 * half * b / (n - 1) : 0.0;
      model.cortex.push_back(p);
    }
  // two triangles per square between neighbouring rows
  for (int b = 0; b + 1 < n; ++b)
    for (int a = 0; a + 1 < n; ++a) {
      const std::int32_t p = first + b * n + a;
      model.tri.push_back({p, p + 1, p + n + 1});
      model.tri.push_back({p, p + n + 1, p + n});
    }
}

}  // namespace makemodel
