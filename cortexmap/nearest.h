// Nearest-centroid sampling: the element whose centroid is closest to each
// cortical point, found through a uniform grid over the centroids with the
// result of the exhaustive scan.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "cortexmap/mapstore.h"
#include "cortexmap/progress.h"

namespace cortexmap {

// The exhaustive scan over e = 1 .. nelem that this index reproduces: the
// distance d = sqrt(dx*dx + dy*dy + dz*dz) in double precision, a running
// minimum held as a 32-bit real (set from element 1), and "d <= minimum" so that
// the highest-numbered element wins a tie.
class CentroidIndex {
 public:
  // cent holds centroid e at cent[3*e + 0..2] for e = 1 .. nelem (nelem >= 1).
  CentroidIndex(const std::vector<float>& cent, std::int32_t nelem);
  // The element the exhaustive scan picks for the point c (solver units).
  std::int32_t nearest(const float c[3]) const;

 private:
  double distance(std::int32_t e, const double q[3]) const;
  double box_distance(const double q[3], const int lo[3], const int hi[3]) const;

  const std::vector<float>& cent_;
  std::int32_t nelem_;
  int n_[3] = {1, 1, 1};                 // cells per axis
  double lo_[3] = {0, 0, 0};             // grid origin
  double h_[3] = {1, 1, 1};              // cell edge per axis
  double inv_[3] = {0, 0, 0};            // cells per unit length
  double slack_ = 0.0;                   // absorbs rounding in the cell assignment
  std::vector<std::int32_t> start_;      // cell k holds elems_[start_[k] .. start_[k+1])
  std::vector<std::int32_t> elems_;      // elements by cell, ascending within a cell
  mutable std::vector<std::pair<std::int32_t, double>> cand_;  // scratch of a query
};

// The nearest element of points 1 .. npts of cxyz (in metres, in_metres) among
// the centroids cent of elements 1 .. nelem, 1-based (npts + 1 values),
// advancing the progress line once per point.
std::vector<std::int32_t> find_nearest(const MapStore& m, const std::vector<float>& cent, ProgressLine& progress);

}  // namespace cortexmap
