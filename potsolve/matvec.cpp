// The product y = A x on the split matrix. Per row: the 32-bit diagonal term,
// then the lower terms, then the upper terms, each in its row's order. Two
// variants sum a dot product with the rows as they are produced, in the same
// ascending order as a separate pass would.
#include "potsolve/crew.h"
#include "potsolve/iccg.h"

namespace potsolve {

namespace {

// Rows first..last of A times x into y; after each row, fold(i, y(i)).
template <class Fold>
void rows_times(const SplitMatrix& a, const double* x, double* y, std::int32_t first, std::int32_t last,
                Fold fold) {
  const float* diag = a.diag.data();
  const std::int32_t *lowptr = a.lowptr.data(), *lowcol = a.lowcol.data();
  const std::int32_t *upptr = a.upptr.data(), *upcol = a.upcol.data();
  const double *lowval = a.lowval.data(), *upval = a.upval.data();
  // Row i of A times x.
  for (std::int32_t i = first; i <= last; ++i) {
    double t = static_cast<double>(diag[i]) * x[i];
    // Lower terms of row i.
    for (std::int32_t p = lowptr[i - 1] + 1; p <= lowptr[i]; ++p) t = t + lowval[p] * x[lowcol[p]];
    // Upper terms of row i.
    for (std::int32_t u = upptr[i - 1] + 1; u <= upptr[i]; ++u) t = t + upval[u] * x[upcol[u]];
    y[i] = t;
    fold(i, t);
  }
}

// The folds: x(i) y(i), and (b(i) - y(i))^2, added to sum.
struct DotFold {
  const double* x;
  double& sum;
  void operator()(std::int32_t i, double yi) const { sum = sum + x[i] * yi; }
};
struct ResidualFold {
  const double* b;
  double& sum;
  void operator()(std::int32_t i, double yi) const {
    const double d = b[i] - yi;
    sum = sum + d * d;
  }
};

}  // namespace

void matvec_split(const SplitMatrix& a, const std::vector<double>& x, std::vector<double>& y) {
  rows_times(a, x.data(), y.data(), 1, a.n, [](std::int32_t, double) {});
}

double matvec_dot(const SplitMatrix& a, const std::vector<double>& x, std::vector<double>& y) {
  double sum = 0.0;
  rows_times(a, x.data(), y.data(), 1, a.n, DotFold{x.data(), sum});
  return sum;
}

double residual_squared(const SplitMatrix& a, const std::vector<double>& x, const std::vector<double>& b,
                        std::vector<double>& y) {
  double sum = 0.0;
  rows_times(a, x.data(), y.data(), 1, a.n, ResidualFold{b.data(), sum});
  return sum;
}

// Member 0 folds its rows as it makes them; the rows of the others are folded
// after them, in order, once all are made.
template <class Fold>
void Crew::product(const std::vector<double>& x, std::vector<double>& y, Fold fold) {
  if (members() == 1 || alone_) return rows_times(s_.a, x.data(), y.data(), 1, s_.a.n, fold);
  const std::vector<std::int32_t>& b = s_.plan.bounds;
  team_.run([&](int t) {
    if (t == 0) rows_times(s_.a, x.data(), y.data(), b[0] + 1, b[1], fold);
    else rows_times(s_.a, x.data(), y.data(), b[t] + 1, b[t + 1], [](std::int32_t, double) {});
  });
  const double* yp = y.data();
  for (std::int32_t i = b[1] + 1; i <= s_.a.n; ++i) fold(i, yp[i]);
}

double Crew::matvec_dot(const std::vector<double>& x, std::vector<double>& y) {
  double sum = 0.0;
  product(x, y, DotFold{x.data(), sum});
  return sum;
}

double Crew::residual_squared(const std::vector<double>& x, const std::vector<double>& b, std::vector<double>& y) {
  double sum = 0.0;
  product(x, y, ResidualFold{b.data(), sum});
  return sum;
}

}  // namespace potsolve
