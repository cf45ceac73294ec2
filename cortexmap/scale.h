// The calibration factor of the sampled fields.
#pragma once

#include "cortexmap/mapstore.h"

namespace cortexmap {

// fscale = refcurr / (mean of ndavg(2) over the bcp entries with code 1 or -1,
// times refarea). When it cannot be formed (no element, no such entry, a zero
// mean or reference area, or a result outside the 32-bit range) the run stops
// with a message and exit status 1, before any output file is touched.
void field_scale(MapStore& m);

}  // namespace cortexmap
