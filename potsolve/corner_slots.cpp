// A counting sort of the corner slots by node. With several members, each
// counts and places the slots of its own run of elements; the runs ascend with
// the members, so every node's slots come out in ascending order as one pass
// would place them.
#include "potsolve/corner_slots.h"

#include <cassert>

#include "potsolve/threads.h"

namespace potsolve {

CornerSlots corner_slots(const ModelStore& m, std::int32_t n, std::int32_t ne, int threads) {
  CornerSlots inc;
  const int members = ne >= shared_min_rows ? std::max(1, threads) : 1;
  const std::int32_t* ielem = m.ielem.data();
  // member t's slots: 4 first[t] .. 4 first[t+1] - 1
  const auto first = [&](int t) {
    return static_cast<std::int32_t>(1 + static_cast<std::int64_t>(ne) * t / members);
  };
  // at[t][v]: the count of member t's slots of node v, then where the next one goes
  std::vector<std::vector<std::int32_t>> at(static_cast<std::size_t>(members));
  Team team(members);
  team.run([&](int t) {
    std::vector<std::int32_t>& count = at[static_cast<std::size_t>(t)];
    count.assign(static_cast<std::size_t>(n) + 1, 0);
    for (std::int32_t s = 4 * first(t); s < 4 * first(t + 1); ++s) {
      assert(ielem[s] >= 1 && ielem[s] <= n);
      ++count[ielem[s]];
    }
  });
  // each node's list starts after the nodes before it, each member's part
  // after the parts of the members before it
  inc.ptr.assign(static_cast<std::size_t>(n) + 2, 0);
  std::int32_t next = 0;
  for (std::int32_t v = 1; v <= n; ++v) {
    inc.ptr[v] = next;
    for (std::vector<std::int32_t>& count : at) {
      const std::int32_t c = count[v];
      count[v] = next;
      next += c;
    }
  }
  inc.ptr[static_cast<std::size_t>(n) + 1] = next;
  inc.slot.resize(static_cast<std::size_t>(next));
  team.run([&](int t) {
    std::int32_t* place = at[static_cast<std::size_t>(t)].data();
    for (std::int32_t s = 4 * first(t); s < 4 * first(t + 1); ++s) inc.slot[place[ielem[s]]++] = s;
  });
  return inc;
}

}  // namespace potsolve
