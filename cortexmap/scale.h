// The calibration factor of the sampled fields.
#pragma once

#include <string>
#include <vector>

#include "cortexmap/mapstore.h"

namespace cortexmap {

// Why the calibration factor cannot be formed.
struct ScaleFailure {
  enum Cause { no_element, no_electrode, zero_mean, zero_area, out_of_range } cause;
};

// The calibration factor: refcurr / (mean of the averaged current density
// ndavg(2) (node_averages) over the bcp entries with code 1 or -1, times
// refarea). When it cannot be formed (no element, no such entry, a zero mean or
// reference area, or a result outside the 32-bit range) it throws ScaleFailure
// with the cause.
float field_scale(const MapStore& m, const std::vector<float>& ndavg);

// The console line that reports why the factor cannot be formed.
std::string scale_message(ScaleFailure::Cause cause);

}  // namespace cortexmap
