#include "cortexmap/scale.h"

#include <cmath>
#include <string>

namespace cortexmap {

float field_scale(const MapStore& m, const std::vector<float>& ndavg) {
  if (m.nelem <= 0) throw ScaleFailure{ScaleFailure::no_element};
  std::int32_t count = 0;
  double sum = 0.0;
  // averaged current density over the entries with code 1 or -1, in file order
  for (std::int32_t k = 1; k <= m.nbcp; ++k) {
    const std::int32_t code = m.bcplist[2 * k + 1];
    if (code != 1 && code != -1) continue;
    ++count;
    sum += ndavg[3 * m.bcplist[2 * k] + 1];
  }
  if (count == 0) throw ScaleFailure{ScaleFailure::no_electrode};
  const double mean = sum / count;
  if (mean == 0.0) throw ScaleFailure{ScaleFailure::zero_mean};
  if (m.refarea == 0.0f) throw ScaleFailure{ScaleFailure::zero_area};
  const float fscale = static_cast<float>(m.refcurr / (mean * m.refarea));
  if (!std::isfinite(mean) || !std::isfinite(fscale))
    throw ScaleFailure{ScaleFailure::out_of_range};
  return fscale;
}

std::string scale_message(ScaleFailure::Cause cause) {
  const std::string head = " Cannot scale the fields: ";
  switch (cause) {
    case ScaleFailure::no_element: return head + "elem.dat holds no element";
    case ScaleFailure::no_electrode: return head + "no entry of bcp.dat has the code 1 or -1";
    case ScaleFailure::zero_mean:
      return head + "the mean current density of the nodes with code 1 or -1 is 0";
    case ScaleFailure::zero_area: return head + "the reference area of ele_size.txt is 0";
    case ScaleFailure::out_of_range: break;
  }
  return head + "the scale factor exceeds the range of 32-bit reals";
}

}  // namespace cortexmap
