// Which element corners every node is: the incidence the pattern search and the
// assembly both go by.
#pragma once

#include <cstdint>
#include <vector>

#include "potsolve/model.h"

namespace potsolve {

// The slots 4 e + k (corner k of element e) of node v are
// slot[ptr[v] .. ptr[v+1]-1], in ascending order; an element that repeats a
// corner holds one slot per repetition. ptr has n + 2 entries.
struct CornerSlots {
  std::vector<std::int32_t> ptr, slot;
};

// How many slots ahead the gathers over a node's slots ask for an element's
// data: in a mesher's numbering the elements lie anywhere in memory.
constexpr std::int32_t slots_ahead = 4;

// The incidence of the elements 1..ne over the nodes 1..n (every corner in
// 1..n), on up to `threads` threads; the result does not depend on their number.
CornerSlots corner_slots(const ModelStore& m, std::int32_t n, std::int32_t ne, int threads = 1);

}  // namespace potsolve
