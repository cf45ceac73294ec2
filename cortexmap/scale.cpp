#include "cortexmap/scale.h"

#include <cmath>

namespace cortexmap {

void field_scale(MapStore& m) {
  if (m.nelem <= 0) throw ScaleFailure{ScaleFailure::no_element};
  std::int32_t count = 0;
  double sum = 0.0;
  // averaged current density over the entries with code 1 or -1, in file order
  for (std::int32_t k = 1; k <= m.nbcp; ++k) {
    const std::int32_t code = m.bcplist[2 * k + 1];
    if (code != 1 && code != -1) continue;
    ++count;
    sum += m.ndavg[3 * m.bcplist[2 * k] + 1];
  }
  if (count == 0) throw ScaleFailure{ScaleFailure::no_electrode};
  const double mean = sum / count;
  if (mean == 0.0) throw ScaleFailure{ScaleFailure::zero_mean};
  if (m.refarea == 0.0f) throw ScaleFailure{ScaleFailure::zero_area};
  const float fscale = static_cast<float>(m.refcurr / (mean * m.refarea));
  if (!std::isfinite(mean) || !std::isfinite(fscale))
    throw ScaleFailure{ScaleFailure::out_of_range};
  m.fscale = fscale;
}

}  // namespace cortexmap
