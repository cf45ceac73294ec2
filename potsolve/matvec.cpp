// The product y = A x on the split matrix. Per row: the 32-bit diagonal term,
// then the lower terms, then the upper terms, each in its row's order. Two
// variants sum a dot product over the rows in ascending order, as they are
// produced (the plain kernels) or once they are (the crew's, whose members
// take their rows by term count).
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

// The rows of one member's share of A times x into y, in the share's order.
void share_times(const ProductShare& s, const double* x, double* y) {
  const std::int32_t *row = s.row.data(), *ptr = s.ptr.data(), *col = s.col.data();
  const float* diag = s.diag.data();
  const double* val = s.val.data();
  const std::int32_t count = static_cast<std::int32_t>(s.row.size());
  for (std::int32_t k = 0; k < count; ++k) {
    const std::int32_t i = row[k];
    double t = static_cast<double>(diag[k]) * x[i];
    // the lower, then the upper terms of row i
    for (std::int32_t p = ptr[k]; p < ptr[k + 1]; ++p) t = t + val[p] * x[col[p]];
    y[i] = t;
  }
}

// Every member makes its share's rows; the rows are folded in ascending order,
// member 0's by member 0 once its rows are made, the others' once all are made.
// The passes over rows that follow go the product's way.
template <class Fold>
void Crew::product(const std::vector<double>& x, std::vector<double>& y, Fold fold) {
  const std::vector<ProductShare>& shares = s_.plan.product;
  const std::vector<std::int32_t>& b = s_.plan.bounds;
  double* yp = y.data();
  const auto fold_rows = [&](std::int32_t first, std::int32_t last) {
    for (std::int32_t i = first; i <= last; ++i) fold(i, yp[i]);
  };
  const bool paced = members() > 1;
  if (!paced || rows_pace_.start()) {
    for (const ProductShare& share : shares) share_times(share, x.data(), yp);
    fold_rows(1, s_.a.n);
  } else {
    team_.run([&](int t) {
      share_times(shares[static_cast<std::size_t>(t)], x.data(), yp);
      if (t == 0) fold_rows(b[0] + 1, b[1]);
    });
    fold_rows(b[1] + 1, s_.a.n);
  }
  if (paced) rows_pace_.stop();
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
