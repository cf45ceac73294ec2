// The ICCG solver: the split matrix layout, the incomplete Cholesky factor,
// the transpose map and the preconditioned conjugate-gradient iteration.
//
// On entry the matrix storage of ModelStore holds the assembled rows (both
// triangles, diagonal in every row, ascending columns, symmetric pattern). The
// solver rewrites irow, jcol and amat in place into its split layout:
//
//   positions            jcol                         amat
//   1 .. nlow            lower columns, row by row    lower matrix values
//   nlow+1 .. nlow+n     cursor of row k (k >= 2)     rdiag(k) = 1/d(k)
//   nhalf+1 .. nhalf+nlow upper columns, row by row   sfac(p): factor of lower term p
//
// irow(k) then counts the lower terms of rows 1..k, iup(k) the upper terms, and
// itrans(m) is the position of the lower term that mirrors the m-th upper term.
#pragma once

#include <cstdint>
#include <vector>

#include "potsolve/model.h"

namespace potsolve {

// Iteration limit, convergence threshold and pivot floor. tol_iccg and pivmin
// are the 32-bit reals 1.0E-14 and 1.0E-9 widened to 64 bits.
constexpr std::int32_t maxit = 9900;
constexpr std::int32_t test_every = 10;
constexpr float tol_shown = 1.0e-14f;
constexpr double tol_iccg = static_cast<double>(1.0e-14f);
constexpr double pivmin = static_cast<double>(1.0e-9f);

// The solver's own tables. All are 1-based like the matrix storage.
struct IccgStore {
  std::int32_t nhalf = 0;            // (nnz + n) / 2: offset of upper columns and factor values
  std::int32_t nlow = 0;             // nhalf - n: offset of the reciprocal pivots
  std::vector<float> diag;           // 1..n: the diagonal rounded to 32 bits
  std::vector<std::int32_t> iup;     // 0..n: upper terms in rows 1..k (iup[0] = 0)
  std::vector<std::int32_t> itrans;  // 1..nlow: mirror lower position of upper term m
                                     // (during the split: staging of the upper columns)
  // Contiguous copies in upper-term order, so that the upper half of the product
  // and the backward sweep read memory in order instead of through itrans.
  std::vector<double> upval;         // 1..nlow: amat(itrans(m)), the matrix value
  std::vector<double> upfac;         // 1..nlow: amat(nhalf + itrans(m)), the factor value
  std::vector<double> pdir;          // 1..n: search direction p
  std::vector<double> zvec;          // 1..n: z = M^-1 r
  std::vector<double> qvec;          // 1..n: A p (A x during a convergence test)

  // Sizes every table for order n with nnz stored terms (zero-filled).
  void size_for(std::int32_t n, std::int32_t nnz);
};

// The process-wide instance used by iccg_solve.
IccgStore& iccg_store();

// Solves A x = b: m.rhs is b, m.pot receives x (its incoming values are ignored);
// rhs, pot and res hold n + 1 entries.
// Splits, factorizes and maps the matrix, then iterates. Returns true when the
// iteration converged; false after "CONVERGENCE IS FAILED" and the console pause,
// with m.pot holding the last iterate. A matrix pattern that breaks the storage
// rules (asymmetric, unsorted, missing diagonal) is reported and ends the run.
bool iccg_solve(ModelStore& m, std::int32_t n);

// Checks the assembled storage before it is split: irow ascending within jcol,
// columns 1..n strictly ascending per row, one diagonal per row, symmetric
// pattern. Returns 0 when it holds, else the first row found at fault.
std::int32_t check_pattern(std::int32_t n, const ModelStore& m);

// Rewrites the assembled rows into the split layout; sets nhalf, iup and diag.
void split_triangles(std::int32_t n, ModelStore& m, IccgStore& s);

// Incomplete Cholesky factor without fill on the lower pattern; sets nlow and
// writes rdiag and sfac into amat. Pivots of magnitude <= pivmin become pivmin.
void factorize_ic(std::int32_t n, ModelStore& m, IccgStore& s);

// itrans in time linear in the number of terms, leaving the same row cursors in
// jcol(nlow+k) as the column-by-row sweep would.
void build_transpose_map(std::int32_t n, ModelStore& m, IccgStore& s);

// Fills upval and upfac from the map and the factor.
void copy_upper_values(const ModelStore& m, IccgStore& s);

// y = A x on the split layout (x and y indexed 1..n).
void matvec_split(std::int32_t n, const ModelStore& m, const IccgStore& s,
                  const std::vector<double>& x, std::vector<double>& y);

// z = M^-1 r with M = (D + L) D^-1 (D + L)^T.
void precond_solve(std::int32_t n, const ModelStore& m, const IccgStore& s,
                   const std::vector<double>& r, std::vector<double>& z);

// True when the relative residual ends the iteration (strictly below tol_iccg).
inline bool iccg_converged(double rel) { return rel < tol_iccg; }

// The conjugate-gradient iteration with its console records. itmax is the
// iteration limit; it is maxit in the program, tests lower it to reach the
// failure exit cheaply.
bool pcg_iterate(std::int32_t n, ModelStore& m, IccgStore& s, std::int32_t itmax = maxit);

}  // namespace potsolve
