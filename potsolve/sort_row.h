// The row sort of the pattern search: a quicksort with a pseudo-random pivot,
// an explicit stack and straight insertion for short ranges.
#pragma once

#include <cstdint>

namespace potsolve {

// Room of the explicit stack: 40 pending (left, right) ranges.
constexpr std::int32_t nstack = 80;

// Sorts list[1..count] into ascending order in place (entry 0 unused and never
// read, nothing past list[count] touched). A stack overflow, which no list that
// fits in memory can reach, pauses with "nstack must be made larger." and ends
// the run with exit status 1.
void sort_row(std::int32_t count, std::int32_t* list);

// The pivot generator: fx -> (fx*211 + 1663) mod 7875, whole numbers carried in
// a 32-bit real; from 0 it runs 1663, 6056, 3729, 982, ...
float next_fx(float fx);

// The pivot position in list(l..r) for the generator value fx, l <= q <= r.
std::int32_t pivot_position(std::int32_t l, std::int32_t r, float fx);

}  // namespace potsolve
