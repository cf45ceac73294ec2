// Grouping items by bucket in one counting sort: the items of bucket b end up
// at items[start[b] .. start[b+1]-1], in the order they were offered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace shared {

// nbucket buckets 0 .. nbucket-1. offer(put) must call put(bucket, item) for
// every item, in the same order each time; it is called twice (count, then fill).
template <class Offer>
void group_by_bucket(std::size_t nbucket, Offer offer, std::vector<std::int32_t>& start,
                     std::vector<std::int32_t>& items) {
  start.assign(nbucket + 1, 0);
  // the number of items per bucket
  offer([&](std::size_t bucket, std::int32_t) { ++start[bucket + 1]; });
  // running totals give the first slot of every bucket
  for (std::size_t b = 0; b < nbucket; ++b) start[b + 1] += start[b];
  items.assign(static_cast<std::size_t>(start[nbucket]), 0);
  std::vector<std::int32_t> fill(start.begin(), start.end() - 1);
  // every item into the next free slot of its bucket
  offer([&](std::size_t bucket, std::int32_t item) { items[fill[bucket]++] = item; });
}

}  // namespace shared
