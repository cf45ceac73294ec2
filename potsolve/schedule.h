// How one solve shares its iteration among threads without changing any row's
// arithmetic. The product and the vector passes are split into row ranges. A
// triangular sweep goes by levels: a row's level lies above the levels of all
// the rows whose values it reads, so the rows of one level are independent.
// Each level is split among the members; a member starts its share of a level
// once the members that hold the rows it reads have finished their levels.
#pragma once

#include <cstdint>
#include <vector>

namespace potsolve {

// One member's share of a triangular sweep, stored in the order it is worked:
// position k is row row[k], whose terms are col/val[ptr[k] .. ptr[k+1]-1] in
// the row's own order, with the reciprocal pivot rd[k].
struct SweepShare {
  std::vector<std::int32_t> level_end;  // per level: the end of its positions
  std::vector<std::int32_t> need;       // per level and member u: levels of u to be complete first
  std::vector<std::int32_t> row, ptr, col;
  std::vector<double> val, rd;
};

struct Sweep {
  bool shared = false;  // false: the serial sweep (too few rows per level)
  std::int32_t levels = 0;
  std::vector<SweepShare> shares;
};

struct Schedule {
  int members = 1;
  // member t's rows of the product and the vector passes: bounds[t]+1 .. bounds[t+1]
  std::vector<std::int32_t> bounds;
  Sweep forward, backward;
};

}  // namespace potsolve
