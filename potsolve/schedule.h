// How one solve orders and shares its iteration among threads without changing
// any row's arithmetic. Rows whose terms are taken in a loop of the same length
// as the row before run fastest (the processor predicts the loop's end), so
// each kernel keeps its own copy of the terms in the order it works them.
//
// The product and the vector passes are split into row ranges; within its range
// a member takes its rows by their number of terms. A triangular sweep goes by
// levels: a row's level lies above the levels of all the rows whose values it
// reads, so the rows of one level are independent and are taken by their
// number of terms too. Each level is split among the members; a member starts
// its share of a level once the members that hold the rows it reads have
// finished their levels.
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

// A sweep that keeps the rows' order takes each row's terms `block` at a time:
// every row is padded to a multiple of block with terms of value +0 on column
// 0, whose value the sweep keeps at +0, so each padding term leaves the row's
// sum as it is. Loops of few lengths are mispredicted less often.
constexpr std::int32_t in_order_block = 3;

struct Sweep {
  bool shared = false;  // false: one member works every share, level by level (too few rows per level)
  std::int32_t levels = 0;
  std::int32_t block = 1;  // terms per step: in_order_block when the sweep keeps the rows' order, else 1
  std::vector<SweepShare> shares;
};

// One member's rows of the product y = A x, in the order it works them:
// position k is row row[k], whose diagonal is diag[k] and whose lower, then
// upper terms are col/val[ptr[k] .. ptr[k+1]-1], each part in the row's order.
struct ProductShare {
  std::vector<std::int32_t> row, ptr, col;
  std::vector<float> diag;
  std::vector<double> val;
};

struct Schedule {
  int members = 1;
  // member t's rows of the product and the vector passes: bounds[t]+1 .. bounds[t+1]
  std::vector<std::int32_t> bounds;
  std::vector<ProductShare> product;  // per member, the rows of its bounds
  Sweep forward, backward;
};

}  // namespace potsolve
