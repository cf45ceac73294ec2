#include "cortexmap/nearest.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "cortexmap/inputs.h"
#include "shared/buckets.h"

namespace cortexmap {

namespace {

// Every element whose distance could decide the scan lies within this bound of
// the smallest distance: the running minimum is that distance rounded to 32 bits,
// and a distance that rounds to the same value lies less than one 32-bit step
// above it. Eight steps of margin, plus an absolute term for subnormal minima.
double candidate_limit(double best) { return best * (1.0 + std::ldexp(1.0, -21)) + std::ldexp(1.0, -140); }

// A region whose lower distance bound exceeds the limit cannot hold a candidate;
// the bound is shrunk a little for the rounding of its own arithmetic.
bool beyond(double bound, double slack, double limit) { return bound * (1.0 - 1e-12) - slack > limit; }

}  // namespace

CentroidIndex::CentroidIndex(const std::vector<float>& cent, std::int32_t nelem)
    : cent_(cent), nelem_(nelem) {
  double lo[3], hi[3];
  for (int a = 0; a < 3; ++a) lo[a] = hi[a] = nelem >= 1 ? cent[3 + a] : 0.0;
  // bounding box of the centroids
  for (std::int32_t e = 2; e <= nelem; ++e)
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], static_cast<double>(cent[3 * e + a]));
      hi[a] = std::max(hi[a], static_cast<double>(cent[3 * e + a]));
    }
  double ext[3], maxext = 0.0, mag = 0.0;
  for (int a = 0; a < 3; ++a) {
    ext[a] = hi[a] - lo[a];
    maxext = std::max(maxext, ext[a]);
    mag += std::fabs(lo[a]) + std::fabs(hi[a]);
  }
  // About two elements per cell; a flat axis keeps one layer of cells.
  if (maxext > 0.0) {
    const double cells = std::max(1.0, nelem / 2.0);
    double vol = 1.0;
    for (int a = 0; a < 3; ++a) vol *= std::max(ext[a], maxext * 1e-3);
    const double h = std::cbrt(vol / cells);
    for (int a = 0; a < 3; ++a)
      n_[a] = ext[a] > 0.0 ? static_cast<int>(std::clamp(std::floor(ext[a] / h) + 1.0, 1.0, 65536.0)) : 1;
  }
  for (int a = 0; a < 3; ++a) {
    lo_[a] = lo[a];
    h_[a] = ext[a] > 0.0 ? ext[a] / n_[a] : 1.0;
    inv_[a] = ext[a] > 0.0 ? n_[a] / ext[a] : 0.0;
  }
  slack_ = 1e-9 * (mag + maxext);

  // Counting sort of the elements by cell, which keeps element order in a cell.
  const std::size_t ncell = static_cast<std::size_t>(n_[0]) * n_[1] * n_[2];
  std::vector<std::int32_t> cell(static_cast<std::size_t>(std::max(nelem, 0)) + 1, 0);
  // cell of every element
  for (std::int32_t e = 1; e <= nelem; ++e) {
    std::int64_t k = 0;
    for (int a = 2; a >= 0; --a) {
      const double t = std::floor((cent[3 * e + a] - lo_[a]) * inv_[a]);
      const int i = static_cast<int>(std::clamp(t, 0.0, static_cast<double>(n_[a] - 1)));
      k = k * n_[a] + i;
    }
    cell[e] = static_cast<std::int32_t>(k);
  }
  // the elements in ascending order, each offered to its cell
  const auto by_cell = [&](auto put) {
    for (std::int32_t e = 1; e <= nelem; ++e) put(static_cast<std::size_t>(cell[e]), e);
  };
  shared::group_by_bucket(ncell, by_cell, start_, elems_);
}

double CentroidIndex::distance(std::int32_t e, const double q[3]) const {
  const double dx = static_cast<double>(cent_[3 * e + 0]) - q[0];
  const double dy = static_cast<double>(cent_[3 * e + 1]) - q[1];
  const double dz = static_cast<double>(cent_[3 * e + 2]) - q[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Lower bound of the distance from q to the cells lo[a] .. hi[a] (inclusive).
double CentroidIndex::box_distance(const double q[3], const int lo[3], const int hi[3]) const {
  double s = 0.0;
  // squared gap along each axis to the box of those cells
  for (int a = 0; a < 3; ++a) {
    const double b0 = lo_[a] + lo[a] * h_[a];
    const double b1 = lo_[a] + (hi[a] + 1) * h_[a];
    const double g = q[a] < b0 ? b0 - q[a] : (q[a] > b1 ? q[a] - b1 : 0.0);
    s += g * g;
  }
  return std::sqrt(s);
}

std::int32_t CentroidIndex::nearest(const float c[3]) const {
  if (nelem_ < 1) return 0;
  const double q[3] = {c[0], c[1], c[2]};
  int ci[3];
  for (int a = 0; a < 3; ++a) {
    const double t = std::floor((q[a] - lo_[a]) * inv_[a]);
    ci[a] = static_cast<int>(std::clamp(t, 0.0, static_cast<double>(n_[a] - 1)));
  }
  double best = std::numeric_limits<double>::infinity();
  cand_.clear();
  // Visits every element of one cell: keeps those within the limit of the best so far.
  auto visit = [&](int ix, int iy, int iz) {
    const int lo[3] = {ix, iy, iz};
    if (beyond(box_distance(q, lo, lo), slack_, candidate_limit(best))) return;
    const std::size_t k = (static_cast<std::size_t>(iz) * n_[1] + iy) * n_[0] + ix;
    // distance of every element of the cell
    for (std::int32_t s = start_[k]; s < start_[k + 1]; ++s) {
      const std::int32_t e = elems_[s];
      const double d = distance(e, q);
      best = std::min(best, d);
      if (d <= candidate_limit(best)) cand_.emplace_back(e, d);
    }
  };
  // Shells of cells around the point's cell, r = 0, 1, 2, ... (Chebyshev rings)
  for (int r = 0;; ++r) {
    int lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::max(0, ci[a] - r);
      hi[a] = std::min(n_[a] - 1, ci[a] + r);
    }
    if (r > 0) {
      // lower bound of the distance to every cell outside the previous block
      double bound = std::numeric_limits<double>::infinity();
      bool more = false;
      for (int a = 0; a < 3; ++a) {
        const int plo = std::max(0, ci[a] - r + 1), phi = std::min(n_[a] - 1, ci[a] + r - 1);
        int slo[3] = {0, 0, 0}, shi[3] = {n_[0] - 1, n_[1] - 1, n_[2] - 1};
        if (plo > 0) {
          more = true;
          shi[a] = plo - 1;
          bound = std::min(bound, box_distance(q, slo, shi));
          shi[a] = n_[a] - 1;
        }
        if (phi < n_[a] - 1) {
          more = true;
          slo[a] = phi + 1;
          bound = std::min(bound, box_distance(q, slo, shi));
        }
      }
      if (!more || beyond(bound, slack_, candidate_limit(best))) break;
    }
    // the cells of ring r: whole rows on the two z faces and y faces, else the two x ends
    for (int iz = lo[2]; iz <= hi[2]; ++iz)
      for (int iy = lo[1]; iy <= hi[1]; ++iy) {
        if (std::abs(iz - ci[2]) == r || std::abs(iy - ci[1]) == r) {
          for (int ix = lo[0]; ix <= hi[0]; ++ix) visit(ix, iy, iz);
        } else {
          if (ci[0] - r >= 0) visit(ci[0] - r, iy, iz);
          if (r > 0 && ci[0] + r <= n_[0] - 1) visit(ci[0] + r, iy, iz);
        }
      }
  }
  // Replay of the scan's comparisons over the candidates in element order.
  const double limit = candidate_limit(best);
  std::sort(cand_.begin(), cand_.end());
  float dmin = 0.0f;
  std::int32_t pick = 0;
  // the first candidate sets the running minimum, later ones win on "<="
  for (const auto& [e, d] : cand_) {
    if (d > limit) continue;
    if (pick == 0 || d <= dmin) {
      dmin = static_cast<float>(d);
      pick = e;
    }
  }
  return pick;
}

std::vector<std::int32_t> find_nearest(const MapStore& m, const std::vector<float>& cent, ProgressLine& progress) {
  std::vector<std::int32_t> inear(static_cast<std::size_t>(m.npts) + 1, 0);
  const CentroidIndex index(cent, m.nelem);
  // nearest element of every cortical point, in the solver's length unit
  for (std::int32_t p = 1; p <= m.npts; ++p) {
    progress.advance(p);
    const float c[3] = {in_metres(m.cxyz[3 * p + 0]), in_metres(m.cxyz[3 * p + 1]), in_metres(m.cxyz[3 * p + 2])};
    inear[p] = index.nearest(c);
  }
  return inear;
}

}  // namespace cortexmap
