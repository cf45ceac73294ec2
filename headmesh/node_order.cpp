#include "headmesh/node_order.h"

#include <algorithm>
#include <numeric>

namespace headmesh {

namespace {

// The level structure of a breadth-first search from root over the nodes not yet
// placed, each node's new neighbours by ascending degree (ties by number). Nodes
// with stamp[i] == mark count as visited; visiting sets it.
struct Levels {
  std::vector<std::int32_t> nodes;  // in visit order
  std::vector<std::size_t> start;   // level l is nodes[start[l] .. start[l+1])
};

void search_levels(const NodeGraph& g, std::int32_t root, std::vector<std::int32_t>& stamp,
                   std::int32_t mark, Levels& lv) {
  const auto degree = [&](std::int32_t i) { return g.start[i + 1] - g.start[i]; };
  lv.nodes.assign(1, root);
  lv.start.assign(1, 0);
  stamp[root] = mark;
  // one level at a time until a level adds nothing
  while (lv.start.back() < lv.nodes.size()) {
    const std::size_t from = lv.start.back(), to = lv.nodes.size();
    lv.start.push_back(to);
    for (std::size_t q = from; q < to; ++q) {
      const std::size_t first = lv.nodes.size();
      for (std::int64_t p = g.start[lv.nodes[q]]; p < g.start[lv.nodes[q] + 1]; ++p)
        if (stamp[g.adj[p]] != mark) {
          stamp[g.adj[p]] = mark;
          lv.nodes.push_back(g.adj[p]);
        }
      std::stable_sort(lv.nodes.begin() + static_cast<std::ptrdiff_t>(first), lv.nodes.end(),
                       [&](std::int32_t a, std::int32_t b) { return degree(a) < degree(b); });
    }
  }
  lv.start.back() = lv.nodes.size();  // the empty last level closes the structure
}

// Skilling's transform of quantised coordinates to the Hilbert index (21 bits each).
std::uint64_t hilbert_index(std::uint32_t x[3]) {
  constexpr int bits = 21;
  // inverse undo of the excess work
  for (std::uint32_t q = 1u << (bits - 1); q > 1; q >>= 1) {
    const std::uint32_t p = q - 1;
    for (int i = 0; i < 3; ++i) {
      if (x[i] & q) {
        x[0] ^= p;
      } else {
        const std::uint32_t t = (x[0] ^ x[i]) & p;
        x[0] ^= t;
        x[i] ^= t;
      }
    }
  }
  // Gray encode
  for (int i = 1; i < 3; ++i) x[i] ^= x[i - 1];
  std::uint32_t t = 0;
  for (std::uint32_t q = 1u << (bits - 1); q > 1; q >>= 1)
    if (x[2] & q) t ^= q - 1;
  for (int i = 0; i < 3; ++i) x[i] ^= t;
  std::uint64_t h = 0;
  // interleave the bits, most significant first
  for (int b = bits - 1; b >= 0; --b)
    for (int i = 0; i < 3; ++i) h = (h << 1) | ((x[i] >> b) & 1u);
  return h;
}

}  // namespace

NodeGraph node_graph(std::int32_t nnode, const std::vector<Tet>& tets) {
  NodeGraph g;
  std::vector<std::int64_t> count(static_cast<std::size_t>(nnode) + 1, 0);
  // three neighbour slots per corner of every tetrahedron
  for (const Tet& t : tets)
    for (std::int32_t i : t) count[i + 1] += 3;
  std::partial_sum(count.begin(), count.end(), count.begin());
  std::vector<std::int32_t> raw(static_cast<std::size_t>(count.back()));
  std::vector<std::int64_t> fill(count.begin(), count.end() - 1);
  // the other three corners of every tetrahedron, at each corner
  for (const Tet& t : tets)
    for (int a = 0; a < 4; ++a)
      for (int b = 0; b < 4; ++b)
        if (a != b) raw[fill[t[a]]++] = t[b];
  g.start.assign(static_cast<std::size_t>(nnode) + 1, 0);
  g.adj.reserve(raw.size() / 2);
  // each node's neighbours sorted, without repeats and without itself
  for (std::int32_t i = 0; i < nnode; ++i) {
    auto b = raw.begin() + count[i], e = raw.begin() + count[i + 1];
    std::sort(b, e);
    for (auto p = b; p != e; ++p)
      if (*p != i && (p == b || *p != *(p - 1))) g.adj.push_back(*p);
    g.start[i + 1] = static_cast<std::int64_t>(g.adj.size());
  }
  return g;
}

std::vector<std::int32_t> rcm_order(const NodeGraph& g) {
  const auto n = static_cast<std::int32_t>(g.start.size() - 1);
  const auto degree = [&](std::int32_t i) { return g.start[i + 1] - g.start[i]; };
  std::vector<std::int32_t> out, stamp(static_cast<std::size_t>(n), 0);
  out.reserve(static_cast<std::size_t>(n));
  std::int32_t mark = 0;
  Levels lv;
  // every connected part, from its lowest-numbered node not yet placed
  for (std::int32_t first = 0; first < n; ++first) {
    if (stamp[first] != 0) continue;
    // a pseudo-peripheral root: move to a least-degree node of the last level
    // while that makes the structure deeper
    std::int32_t root = first;
    std::size_t depth = 0;
    for (int round = 0; round < 8; ++round) {
      search_levels(g, root, stamp, --mark, lv);
      if (lv.start.size() <= depth) break;
      depth = lv.start.size();
      const auto last = lv.nodes.begin() + static_cast<std::ptrdiff_t>(lv.start[lv.start.size() - 2]);
      root = *std::min_element(last, lv.nodes.end(), [&](std::int32_t a, std::int32_t b) {
        return degree(a) < degree(b) || (degree(a) == degree(b) && a < b);
      });
    }
    search_levels(g, root, stamp, 1, lv);  // placed nodes keep the stamp 1
    out.insert(out.end(), lv.nodes.begin(), lv.nodes.end());
  }
  std::reverse(out.begin(), out.end());
  return out;
}

std::vector<std::int32_t> hilbert_order(const std::vector<double>& xyz) {
  const std::size_t n = xyz.size() / 3;
  double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
  // the bounding box
  for (std::size_t i = 0; i < n; ++i)
    for (int a = 0; a < 3; ++a) {
      lo[a] = i == 0 ? xyz[a] : std::min(lo[a], xyz[3 * i + a]);
      hi[a] = i == 0 ? xyz[a] : std::max(hi[a], xyz[3 * i + a]);
    }
  const double span = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2], 1e-300});
  std::vector<std::pair<std::uint64_t, std::int32_t>> key(n);
  // each node's curve position from its coordinates on a 2^21 grid
  for (std::size_t i = 0; i < n; ++i) {
    std::uint32_t q[3];
    for (int a = 0; a < 3; ++a)
      q[a] = static_cast<std::uint32_t>(std::min(2097151.0, (xyz[3 * i + a] - lo[a]) / span * 2097152.0));
    key[i] = {hilbert_index(q), static_cast<std::int32_t>(i)};
  }
  std::sort(key.begin(), key.end());
  std::vector<std::int32_t> order(n);
  for (std::size_t k = 0; k < n; ++k) order[k] = key[k].second;
  return order;
}

}  // namespace headmesh
