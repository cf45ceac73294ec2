#include "cortexmap/scale.h"

#include <cmath>

#include "cortexmap/progress.h"

namespace cortexmap {

void field_scale(MapStore& m) {
  if (m.nelem <= 0) stop_run(" Cannot scale the fields: elem.dat holds no element");
  std::int32_t count = 0;
  double sum = 0.0;
  // averaged current density over the entries with code 1 or -1, in file order
  for (std::int32_t k = 1; k <= m.nbcp; ++k) {
    const std::int32_t code = m.bcplist[2 * k + 1];
    if (code != 1 && code != -1) continue;
    ++count;
    sum += m.ndavg[3 * m.bcplist[2 * k] + 1];
  }
  if (count == 0) stop_run(" Cannot scale the fields: no entry of bcp.dat has the code 1 or -1");
  const double mean = sum / count;
  if (mean == 0.0)
    stop_run(" Cannot scale the fields: the mean current density of the nodes with code 1 or -1 is 0");
  if (m.refarea == 0.0f) stop_run(" Cannot scale the fields: the reference area of ele_size.txt is 0");
  const float fscale = static_cast<float>(m.refcurr / (mean * m.refarea));
  if (!std::isfinite(mean) || !std::isfinite(fscale))
    stop_run(" Cannot scale the fields: the scale factor exceeds the range of 32-bit reals");
  m.fscale = fscale;
}

}  // namespace cortexmap
