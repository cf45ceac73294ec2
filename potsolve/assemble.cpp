// The assembly row by row. Each element matrix is computed once; then every
// row gathers the contributions of the elements holding its node, in ascending
// element order, so each stored term is summed in the order of an element loop
// without searching its position. Large models go through their elements in a
// few blocks, each row taking its share of every block in turn. The elements
// and the rows are divided among the threads.
#include "potsolve/assemble.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

#include "potsolve/element.h"
#include "potsolve/threads.h"

namespace potsolve {

namespace {

// Index of ek(i, j) among the ten values of the symmetric element matrix.
constexpr int sym[4][4] = {{0, 1, 2, 3}, {1, 4, 5, 6}, {2, 5, 7, 8}, {3, 6, 8, 9}};

// The upper triangle of the matrix of each element a <= e < b (ek(i, j) and
// ek(j, i) are the same products in the same order), ten values per element
// from ek10[10 (e - e0)] on. Returns the first element of zero volume, 0 when none.
std::int32_t element_matrices(const ModelStore& m, std::int32_t e0, std::int32_t a, std::int32_t b,
                              double* ek10) {
  std::int32_t flat = 0;
  float xe[3][4];
  double ek[4][4];
  double fe[4];
  // each element's corners, coordinates and matrix
  for (std::int32_t e = a; e < b; ++e) {
    for (int k = 0; k < 4; ++k) {
      const std::size_t node = static_cast<std::size_t>(m.ielem[4 * static_cast<std::size_t>(e) + k]);
      for (int c = 0; c < 3; ++c) xe[c][k] = m.xyz[3 * node + c];
    }
    if (!element_matrix(xe, m.sigel[e], ek, fe) && flat == 0) flat = e;
    double* out = ek10 + 10 * static_cast<std::size_t>(e - e0);
    // the upper triangle, row by row
    for (int i = 0; i < 4; ++i)
      for (int j = i; j < 4; ++j) out[sym[i][j]] = ek[i][j];
  }
  return flat;
}

// The first coupling missing from the pattern, in element order.
struct Miss {
  std::int32_t slot = 0, corner = 0;  // slot 4 e + i, local column j
  bool before(std::int32_t s, std::int32_t j) const { return slot == 0 || s < slot || (s == slot && j < corner); }
};

}  // namespace

void assemble(ModelStore& m, std::int32_t n, std::int32_t ne, std::int32_t block, int threads) {
  assemble(m, corner_slots(m, n, ne, threads), n, ne, block, threads);
}

void assemble(ModelStore& m, const CornerSlots& inc, std::int32_t n, std::int32_t ne, std::int32_t block,
              int threads) {
  const std::int32_t* irow = m.irow.data();
  const std::int32_t* jcol = m.jcol.data();
  const std::int32_t* ielem = m.ielem.data();
  const std::int32_t* slot = inc.slot.data();
  double* amat = m.amat.data();
  // The members' rows, of about equal numbers of slots; each member has its
  // own column positions and its own first missing coupling.
  const int members = n >= shared_min_rows ? std::max(1, threads) : 1;
  const std::vector<std::int32_t> rows =
      split_rows(n, members, [&inc](std::int32_t r) { return static_cast<std::int64_t>(inc.ptr[r + 1]) + r; });
  std::vector<std::vector<std::int32_t>> at(static_cast<std::size_t>(members));  // position of column c in row r, or 0
  std::vector<Miss> miss(static_cast<std::size_t>(members));
  std::vector<std::int32_t> flats(static_cast<std::size_t>(members), 0);
  std::vector<std::int32_t> next(inc.ptr.begin(), inc.ptr.end() - 1);  // each row's next slot
  // the element matrices of one block, each written before it is read
  const std::unique_ptr<double[]> ek10(new double[10 * static_cast<std::size_t>(std::max(1, std::min(block, ne)))]);
  std::int32_t flat = 0;
  Team team(members);
  // every stored term of the member's rows from zero
  team.run([&](int t) { std::fill(amat + irow[rows[t]] + 1, amat + irow[rows[t + 1]] + 1, 0.0); });
  // block by block of elements, ascending
  for (std::int32_t e0 = 1; e0 <= ne; e0 += block) {
    const std::int32_t e1 = e0 + std::min(block, ne + 1 - e0);
    team.run([&](int t) {
      // the member's share of the block's element matrices
      const std::int32_t a = e0 + static_cast<std::int32_t>(static_cast<std::int64_t>(e1 - e0) * t / members);
      const std::int32_t b = e0 + static_cast<std::int32_t>(static_cast<std::int64_t>(e1 - e0) * (t + 1) / members);
      flats[t] = element_matrices(m, e0, a, b, ek10.get());
    });
    for (const std::int32_t f : flats)
      if (flat == 0) flat = f;
    team.run([&](int t) {
      std::vector<std::int32_t>& pos = at[t];
      if (pos.empty()) pos.assign(static_cast<std::size_t>(n) + 1, 0);
      const std::int32_t last = inc.ptr[rows[t + 1] + 1];  // the end of the member's slots
      // row by row: the terms of row r from its elements in this block
      for (std::int32_t r = rows[t] + 1; r <= rows[t + 1]; ++r) {
        std::int32_t q = next[r];
        const std::int32_t end = inc.ptr[r + 1];
        if (q == end || (slot[q] >> 2) >= e1) continue;
        // open the row: each column's position
        for (std::int32_t p = irow[r - 1] + 1; p <= irow[r]; ++p) pos[jcol[p]] = p;
        // the elements of node r in ascending order, local row i, column j
        for (; q < end && (slot[q] >> 2) < e1; ++q) {
          // the matrix and the corners of the element a few slots ahead, asked for now
          if (q + slots_ahead < last) {
            const std::int32_t f = slot[q + slots_ahead] >> 2;
            if (f >= e0 && f < e1) {
              const double* fk = ek10.get() + 10 * static_cast<std::size_t>(f - e0);
              __builtin_prefetch(fk);
              __builtin_prefetch(fk + 8);
              __builtin_prefetch(ielem + 4 * static_cast<std::size_t>(f));
            }
          }
          const std::int32_t s = slot[q];
          const std::int32_t e = s >> 2, i = s & 3;
          const double* ek = ek10.get() + 10 * static_cast<std::size_t>(e - e0);
          for (int j = 0; j < 4; ++j) {
            const std::int32_t p = pos[ielem[4 * e + j]];
            if (p != 0) amat[p] += ek[sym[i][j]];
            else if (miss[t].before(s, j)) miss[t] = {s, j};
          }
        }
        next[r] = q;
        // close the row
        for (std::int32_t p = irow[r - 1] + 1; p <= irow[r]; ++p) pos[jcol[p]] = 0;
      }
    });
  }
  // no element carries a load: the right-hand side starts from zero
  std::fill(m.rhs.begin() + 1, m.rhs.begin() + n + 1, 0.0);

  // the first missing coupling in element order, whichever member met it
  Miss first;
  for (const Miss& x : miss)
    if (x.slot != 0 && first.before(x.slot, x.corner)) first = x;
  if (flat != 0 && (first.slot == 0 || flat <= first.slot >> 2)) throw ZeroVolume{flat};
  if (first.slot != 0) {
    const std::int32_t i = ielem[first.slot], j = ielem[4 * (first.slot >> 2) + first.corner];
    throw MissingCoupling{i, j, irow[i], irow[i - 1]};
  }
}

}  // namespace potsolve
