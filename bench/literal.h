// The literal (exhaustive) loops against the fast ones on a model small enough
// for the literal ones, with each loop's time extrapolated to full capacity.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "table.h"

namespace bench {

// Operation counts of the literal loops on one model.
struct LoopSizes {
  double nnode = 0, nelem = 0, nnz = 0, nfixed = 0, npts = 0;
};

struct LiteralResult {
  std::string name;
  double literal = 0.0, fast = 0.0;  // seconds on the small model
  double growth = 0.0;               // operation count at full capacity / on the small model
  double full_fast = 0.0;            // the fast stage's seconds at full capacity
};

// Runs the five comparisons on a brick of c cubes per edge with npts sheet
// points; checks that both versions agree exactly (throws when not).
std::vector<LiteralResult> compare_literal(int c, int npts_side, const LoopSizes& full);

}  // namespace bench
