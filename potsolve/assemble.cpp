#include "potsolve/assemble.h"

#include <algorithm>
#include <cstddef>

#include "potsolve/element.h"
#include "potsolve/stop.h"
#include "textio/console.h"
#include "textio/layout.h"
#include "textio/record.h"

namespace potsolve {

std::int32_t find_jcoll(const ModelStore& m, std::int32_t i, std::int32_t j) {
  // bisection for column j among the ascending columns of row i
  const std::int32_t* first = m.jcol.data() + m.irow[i - 1] + 1;
  const std::int32_t* last = m.jcol.data() + m.irow[i] + 1;
  const std::int32_t* p = std::lower_bound(first, last, j);
  if (p != last && *p == j) return static_cast<std::int32_t>(p - m.jcol.data());

  static const textio::Layout layout("A,4I7");
  const textio::Item items[] = {std::string_view("Cannot find jcoll"), i, j, m.irow[i], m.irow[i - 1]};
  textio::console().fixed(layout, items);
  silent_stop();
}

namespace {

// Reports an element whose corners span no volume and ends the run.
[[noreturn]] void zero_volume(std::int32_t e) {
  textio::console().record(textio::Record().text(" Element").i32(e).text("has zero volume"));
  silent_stop();
}

}  // namespace

void assemble(ModelStore& m, std::int32_t n, std::int32_t ne) {
  const std::int32_t nnz = m.irow[n];
  // clear the stored terms and the right-hand side
  std::fill(m.amat.begin() + 1, m.amat.begin() + nnz + 1, 0.0);
  std::fill(m.rhs.begin() + 1, m.rhs.begin() + n + 1, 0.0);

  std::int32_t enodes[4];
  float xe[3][4];
  double ek[4][4];
  double fe[4];
  // add each element's matrix, elements ascending
  for (std::int32_t e = 1; e <= ne; ++e) {
    // corners and their coordinates
    for (int k = 0; k < 4; ++k) {
      enodes[k] = m.ielem[4 * static_cast<std::size_t>(e) + k];
      for (int c = 0; c < 3; ++c) xe[c][k] = m.xyz[3 * static_cast<std::size_t>(enodes[k]) + c];
    }
    if (!element_matrix(xe, m.sigel[e], ek, fe)) zero_volume(e);
    // local row i, then its four columns j
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) m.amat[find_jcoll(m, enodes[i], enodes[j])] += ek[i][j];
      m.rhs[enodes[i]] += fe[i];
    }
  }
}

}  // namespace potsolve
