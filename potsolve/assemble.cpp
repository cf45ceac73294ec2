// The assembly row by row. Each element matrix is computed once; then every
// row gathers the contributions of the elements holding its node, in ascending
// element order, so each stored term is summed in the order of an element loop
// without searching its position. Large models go through their elements in a
// few blocks, each row taking its share of every block in turn.
#include "potsolve/assemble.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "potsolve/element.h"

namespace potsolve {

namespace {

// Index of ek(i, j) among the ten values of the symmetric element matrix.
constexpr int sym[4][4] = {{0, 1, 2, 3}, {1, 4, 5, 6}, {2, 5, 7, 8}, {3, 6, 8, 9}};

// The upper triangle of the matrix of each element e0 <= e < e1 (ek(i, j) and
// ek(j, i) are the same products in the same order), ten values per element
// from ek10[0] on. Returns the first element of zero volume, 0 when none.
std::int32_t element_matrices(const ModelStore& m, std::int32_t e0, std::int32_t e1, std::vector<double>& ek10) {
  ek10.assign(10 * static_cast<std::size_t>(e1 - e0), 0.0);
  std::int32_t flat = 0;
  float xe[3][4];
  double ek[4][4];
  double fe[4];
  // each element's corners, coordinates and matrix
  for (std::int32_t e = e0; e < e1; ++e) {
    for (int k = 0; k < 4; ++k) {
      const std::size_t node = static_cast<std::size_t>(m.ielem[4 * static_cast<std::size_t>(e) + k]);
      for (int c = 0; c < 3; ++c) xe[c][k] = m.xyz[3 * node + c];
    }
    if (!element_matrix(xe, m.sigel[e], ek, fe) && flat == 0) flat = e;
    double* out = ek10.data() + 10 * static_cast<std::size_t>(e - e0);
    // the upper triangle, row by row
    for (int i = 0; i < 4; ++i)
      for (int j = i; j < 4; ++j) out[sym[i][j]] = ek[i][j];
  }
  return flat;
}

// Node-to-element incidence: the slots 4 e + k (corner k of element e) of node
// v are slot[ptr[v] .. ptr[v+1]-1], in ascending element order.
struct Incidence {
  std::vector<std::int32_t> ptr, slot;
};

Incidence corner_slots(const ModelStore& m, std::int32_t n, std::int32_t ne) {
  Incidence inc;
  inc.ptr.assign(static_cast<std::size_t>(n) + 2, 0);
  const std::int32_t* ielem = m.ielem.data();
  // count the slots of each node
  for (std::int32_t s = 4; s < 4 * (ne + 1); ++s) ++inc.ptr[ielem[s] + 1];
  // cumulative sum: the start of each node's list
  for (std::int32_t v = 1; v <= n; ++v) inc.ptr[v + 1] += inc.ptr[v];
  inc.slot.resize(static_cast<std::size_t>(inc.ptr[n + 1]));
  std::vector<std::int32_t> fill(inc.ptr.begin(), inc.ptr.end() - 1);
  // place each slot in its node's list, elements ascending
  for (std::int32_t s = 4; s < 4 * (ne + 1); ++s) inc.slot[fill[ielem[s]]++] = s;
  return inc;
}

// The first coupling missing from the pattern, in element order.
struct Miss {
  std::int32_t slot = 0, corner = 0;  // slot 4 e + i, local column j
  bool before(std::int32_t s, std::int32_t j) const { return slot == 0 || s < slot || (s == slot && j < corner); }
};

}  // namespace

void assemble(ModelStore& m, std::int32_t n, std::int32_t ne, std::int32_t block) {
  const Incidence inc = corner_slots(m, n, ne);
  const std::int32_t* irow = m.irow.data();
  const std::int32_t* jcol = m.jcol.data();
  const std::int32_t* ielem = m.ielem.data();
  const std::int32_t* slot = inc.slot.data();
  double* amat = m.amat.data();
  std::fill(m.amat.begin() + 1, m.amat.begin() + irow[n] + 1, 0.0);
  std::vector<std::int32_t> at(static_cast<std::size_t>(n) + 1, 0);  // position of column c in row r, or 0
  std::vector<std::int32_t> next(inc.ptr.begin(), inc.ptr.end() - 1);  // each row's next slot
  std::vector<double> ek10;
  std::int32_t flat = 0;
  Miss miss;
  // block by block of elements, ascending
  for (std::int32_t e0 = 1; e0 <= ne; e0 += block) {
    const std::int32_t e1 = e0 + std::min(block, ne + 1 - e0);
    const std::int32_t first_flat = element_matrices(m, e0, e1, ek10);
    if (flat == 0) flat = first_flat;
    // row by row: the terms of row r from its elements in this block
    for (std::int32_t r = 1; r <= n; ++r) {
      std::int32_t q = next[r];
      const std::int32_t end = inc.ptr[r + 1];
      if (q == end || (slot[q] >> 2) >= e1) continue;
      // open the row: each column's position
      for (std::int32_t p = irow[r - 1] + 1; p <= irow[r]; ++p) at[jcol[p]] = p;
      // the elements of node r in ascending order, local row i, column j
      for (; q < end && (slot[q] >> 2) < e1; ++q) {
        const std::int32_t s = slot[q];
        const std::int32_t e = s >> 2, i = s & 3;
        const double* ek = ek10.data() + 10 * static_cast<std::size_t>(e - e0);
        for (int j = 0; j < 4; ++j) {
          const std::int32_t p = at[ielem[4 * e + j]];
          if (p != 0) amat[p] += ek[sym[i][j]];
          else if (miss.before(s, j)) miss = {s, j};
        }
      }
      next[r] = q;
      // close the row
      for (std::int32_t p = irow[r - 1] + 1; p <= irow[r]; ++p) at[jcol[p]] = 0;
    }
  }
  // no element carries a load: the right-hand side starts from zero
  std::fill(m.rhs.begin() + 1, m.rhs.begin() + n + 1, 0.0);

  if (flat != 0 && (miss.slot == 0 || flat <= miss.slot >> 2)) throw ZeroVolume{flat};
  if (miss.slot != 0) {
    const std::int32_t i = ielem[miss.slot], j = ielem[4 * (miss.slot >> 2) + miss.corner];
    throw MissingCoupling{i, j, irow[i], irow[i - 1]};
  }
}

}  // namespace potsolve
