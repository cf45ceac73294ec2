// The product y = A x on the split matrix. Per row: the 32-bit diagonal term,
// then the lower terms, then the upper terms, each in its row's order. Two
// variants sum a dot product with the rows as they are produced, in the same
// ascending order as a separate pass would.
#include "potsolve/iccg.h"

namespace potsolve {

namespace {

// Rows 1..n of A times x into y; after each row, fold(i, y(i)).
template <class Fold>
void rows_times(const SplitMatrix& a, const std::vector<double>& xv, std::vector<double>& yv, Fold fold) {
  const std::int32_t n = a.n;
  const float* diag = a.diag.data();
  const std::int32_t *lowptr = a.lowptr.data(), *lowcol = a.lowcol.data();
  const std::int32_t *upptr = a.upptr.data(), *upcol = a.upcol.data();
  const double *lowval = a.lowval.data(), *upval = a.upval.data();
  const double* x = xv.data();
  double* y = yv.data();
  // Row i of A times x.
  for (std::int32_t i = 1; i <= n; ++i) {
    double t = static_cast<double>(diag[i]) * x[i];
    // Lower terms of row i.
    for (std::int32_t p = lowptr[i - 1] + 1; p <= lowptr[i]; ++p) t = t + lowval[p] * x[lowcol[p]];
    // Upper terms of row i.
    for (std::int32_t u = upptr[i - 1] + 1; u <= upptr[i]; ++u) t = t + upval[u] * x[upcol[u]];
    y[i] = t;
    fold(i, t);
  }
}

}  // namespace

void matvec_split(const SplitMatrix& a, const std::vector<double>& x, std::vector<double>& y) {
  rows_times(a, x, y, [](std::int32_t, double) {});
}

double matvec_dot(const SplitMatrix& a, const std::vector<double>& x, std::vector<double>& y) {
  double sum = 0.0;
  const double* xp = x.data();
  rows_times(a, x, y, [&](std::int32_t i, double yi) { sum = sum + xp[i] * yi; });
  return sum;
}

double residual_squared(const SplitMatrix& a, const std::vector<double>& x, const std::vector<double>& b,
                        std::vector<double>& y) {
  double sum = 0.0;
  const double* bp = b.data();
  rows_times(a, x, y, [&](std::int32_t i, double yi) {
    const double d = bp[i] - yi;
    sum = sum + d * d;
  });
  return sum;
}

}  // namespace potsolve
