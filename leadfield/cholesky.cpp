#include "leadfield/cholesky.h"

#include <suitesparse/cholmod.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "leadfield/error.h"

namespace leadfield {

struct Cholesky::Impl {
  cholmod_common c;
  cholmod_sparse* a = nullptr;
  cholmod_factor* l = nullptr;
  std::int64_t n = 0;
};

namespace {

std::string mib(double bytes) { return std::to_string(static_cast<long long>(bytes / 1048576.0 + 0.5)) + " MiB"; }

}  // namespace

Cholesky::Cholesky(const ReducedSystem& s) : impl_(new Impl) {
  cholmod_common& c = impl_->c;
  cholmod_l_start(&c);
  c.print = 0;  // failures are reported here, in one line
  c.error_handler = nullptr;
  impl_->n = s.n;
  const std::size_t nnz = s.col.size();
  // the whole symmetric matrix; CHOLMOD reads its upper triangle (the rows are the columns)
  impl_->a = cholmod_l_allocate_sparse(static_cast<std::size_t>(s.n), static_cast<std::size_t>(s.n), nnz, 1, 1, 1,
                                       CHOLMOD_REAL, &c);
  if (!impl_->a) {
    cholmod_l_finish(&c);
    delete impl_;
    throw Error("out of memory for the matrix (" + mib(12.0 * static_cast<double>(nnz)) + ")");
  }
  auto* p = static_cast<SuiteSparse_long*>(impl_->a->p);
  auto* i = static_cast<SuiteSparse_long*>(impl_->a->i);
  auto* x = static_cast<double*>(impl_->a->x);
  std::copy(s.ptr.begin(), s.ptr.end(), p);
  std::copy(s.col.begin(), s.col.end(), i);
  std::copy(s.val.begin(), s.val.end(), x);
  impl_->l = cholmod_l_analyze(impl_->a, &c);
  if (!impl_->l) {
    cholmod_l_free_sparse(&impl_->a, &c);
    cholmod_l_finish(&c);
    delete impl_;
    throw Error("the symbolic analysis of the matrix failed (out of memory)");
  }
}

Cholesky::~Cholesky() {
  cholmod_l_free_factor(&impl_->l, &impl_->c);
  cholmod_l_free_sparse(&impl_->a, &impl_->c);
  cholmod_l_finish(&impl_->c);
  delete impl_;
}

double Cholesky::factor_bytes() const {
  const cholmod_factor* l = impl_->l;
  // values and row indices of every stored term
  const double terms = l->is_super ? static_cast<double>(l->xsize) : impl_->c.lnz;
  const double indices = l->is_super ? static_cast<double>(l->ssize) : impl_->c.lnz;
  return 8.0 * terms + 8.0 * indices;
}

void Cholesky::factorize() {
  cholmod_common& c = impl_->c;
  const int ok = cholmod_l_factorize(impl_->a, impl_->l, &c);
  if (c.status == CHOLMOD_OUT_OF_MEMORY || (!ok && c.status < 0))
    throw Error("out of memory in the Cholesky factorisation (factor of " + mib(factor_bytes()) +
                "); run again with --solver iccg");
  if (c.status == CHOLMOD_NOT_POSDEF)
    throw Error("the matrix is not positive definite (pivot " + std::to_string(impl_->l->minor) +
                " of the factorisation); check prop.dat for zero or negative conductivities");
  cholmod_l_free_sparse(&impl_->a, &c);  // the factor is all that the solves need
}

void Cholesky::solve(const double* b, double* x, int ncols) {
  cholmod_common& c = impl_->c;
  const std::size_t n = static_cast<std::size_t>(impl_->n);
  cholmod_dense* rhs = cholmod_l_allocate_dense(n, static_cast<std::size_t>(ncols), n, CHOLMOD_REAL, &c);
  if (!rhs) throw Error("out of memory for the right-hand sides");
  std::memcpy(rhs->x, b, sizeof(double) * n * static_cast<std::size_t>(ncols));
  cholmod_dense* sol = cholmod_l_solve(CHOLMOD_A, impl_->l, rhs, &c);
  cholmod_l_free_dense(&rhs, &c);
  if (!sol) throw Error("out of memory in the solves");
  std::memcpy(x, sol->x, sizeof(double) * n * static_cast<std::size_t>(ncols));
  cholmod_l_free_dense(&sol, &c);
}

}  // namespace leadfield
