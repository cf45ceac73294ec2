// The ICCG solver: the split matrix, the incomplete Cholesky factor, and the
// preconditioned conjugate-gradient iteration over them.
//
// The solver reads the assembled rows of ModelStore (both triangles, diagonal in
// every row, ascending columns, symmetric pattern) and leaves them as they are.
// It keeps its own copy in split form: the strictly lower and the strictly
// upper triangle as plain compressed rows and the diagonal rounded to 32 bits.
// Every upper term carries the value of its mirror lower term. The factor keeps
// exactly the pattern of the lower triangle: M = (D + L) D^-1 (D + L)^T.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "potsolve/model.h"
#include "potsolve/schedule.h"

namespace potsolve {

// Iteration limit, convergence threshold and pivot floor. tol_iccg and pivmin
// are the 32-bit reals 1.0E-14 and 1.0E-9 widened to 64 bits.
constexpr std::int32_t maxit = 9900;
constexpr std::int32_t test_every = 10;
constexpr float tol_shown = 1.0e-14f;
constexpr double tol_iccg = static_cast<double>(1.0e-14f);
constexpr double pivmin = static_cast<double>(1.0e-9f);

// The matrix in split form. Rows, columns and positions are 1-based (entry 0
// unused). Row k's lower terms are lowptr(k-1)+1 .. lowptr(k), its upper terms
// upptr(k-1)+1 .. upptr(k); columns ascend within a row.
struct SplitMatrix {
  std::int32_t n = 0;
  std::vector<float> diag;           // 1..n: the diagonal rounded to 32 bits
  std::vector<std::int32_t> lowptr;  // 0..n: lower terms in rows 1..k
  std::vector<std::int32_t> lowcol;  // 1..nlow
  std::vector<double> lowval;        // 1..nlow: the assembled values
  std::vector<std::int32_t> upptr;   // 0..n: upper terms in rows 1..k
  std::vector<std::int32_t> upcol;   // 1..nup
  std::vector<double> upval;         // 1..nup: the value of the mirror lower term
  std::vector<std::int32_t> mirror;  // 1..nup: position of the mirror lower term

  std::int32_t nlow() const { return lowptr[n]; }
};

// The incomplete Cholesky factor of a split matrix, on its lower pattern.
struct IcFactor {
  std::vector<double> rdiag;   // 1..n: 1/d(k), the reciprocal pivots
  std::vector<double> lowfac;  // 1..nlow: factor value S of each lower term
  std::vector<double> upfac;   // 1..nup: S of the mirror lower term
  std::int32_t row_faults = 0; // rows whose terms did not end at their row end
};

// The split matrix, its factor and the threads' shares, ready for the iteration.
struct IccgSystem {
  SplitMatrix a;
  IcFactor f;
  Schedule plan;
};

// The assembled pattern breaks the storage rules (asymmetric, unsorted, missing
// diagonal); row is the first row found at fault.
struct UnfitPattern {
  std::int32_t row;
};

// What the iteration ended with.
struct PcgResult {
  bool converged = false;     // the relative residual fell below tol_iccg at a test
  std::int32_t iterations = 0;
  double residual = 0.0;      // the relative true residual of the last test (0 before any)
};

// Called at every convergence test with the iteration number and the relative
// true residual |b - A x| / |b|.
using PcgMonitor = std::function<void(std::int32_t iteration, double relative_residual)>;

// The lower and upper rows and the 32-bit diagonal of the assembled rows
// 1..n of m (upval and mirror are left empty).
SplitMatrix split_triangles(std::int32_t n, const ModelStore& m);

// mirror(u) for every upper term u = (i, j): the position of the lower term
// (j, i); and upval(u), its value. Linear in the number of terms; up to
// `threads` threads share the rows.
void build_transpose_map(SplitMatrix& a, int threads = 1);

// Incomplete Cholesky factor without fill. Pivots of magnitude <= pivmin
// become pivmin. Needs the transpose map for upfac.
IcFactor factorize_ic(const SplitMatrix& a);

// The shares of up to `threads` threads in the iteration (one thread below
// shared_min_rows rows), planned in two steps. What the plan takes from a: the
// members, their rows and their products' terms, and the order of the sweeps'
// rows; beside() runs meanwhile on one of the threads (the factorization,
// which the plan does not read yet).
Schedule plan_orders(const SplitMatrix& a, int threads, const std::function<void()>& beside = {});
// The sweeps' values from the factor, in the planned order.
void plan_values(Schedule& plan, const SplitMatrix& a, const IcFactor& f);

// Checks the pattern, splits, maps, factorizes and plans the iteration for
// `threads` threads; throws UnfitPattern.
IccgSystem prepare_iccg(const ModelStore& m, std::int32_t n, int threads = 1);

// prepare_iccg for a run that needs nothing more of the assembled matrix or of
// the split form: m's matrix (irow, jcol, amat) is released once split, and the
// system keeps only what pcg_iterate reads (a.n, the factor's row_faults and
// the plan), each part released as soon as the plan holds its copy. The
// iteration is the same; the peak memory is that of the plan, not of the plan
// beside the matrix it was made from.
IccgSystem prepare_iccg_lean(ModelStore& m, std::int32_t n, int threads);

// y = A x (x and y indexed 1..n).
void matvec_split(const SplitMatrix& a, const std::vector<double>& x, std::vector<double>& y);

// y = A x; returns the sum of x(i) y(i), i = 1..n ascending.
double matvec_dot(const SplitMatrix& a, const std::vector<double>& x, std::vector<double>& y);

// y = A x; returns the sum of (b(i) - y(i))^2, i = 1..n ascending.
double residual_squared(const SplitMatrix& a, const std::vector<double>& x, const std::vector<double>& b,
                        std::vector<double>& y);

// z = M^-1 r.
void precond_solve(const SplitMatrix& a, const IcFactor& f, const std::vector<double>& r,
                   std::vector<double>& z);

// True when the relative residual ends the iteration (strictly below tol_iccg).
inline bool iccg_converged(double rel) { return rel < tol_iccg; }

// Watches the relative residuals of a solve's tests: a residual that has not
// fallen below the lowest one before it for stall_tests consecutive tests has
// stagnated (at the floor of the arithmetic, or on a system it cannot solve),
// and the iteration runs on to its limit.
constexpr int stall_tests = 50;
class StallWatch {
 public:
  // Takes the residual of the next test; true at the test that completes the
  // first run of stall_tests tests without a fall, false at every other.
  bool stalled(double rel);

 private:
  double lowest_ = 0.0;
  int tests_ = 0, since_ = 0;
  bool said_ = false;
};

// Conjugate gradients preconditioned by the factor, from x = M^-1 b, with the
// true residual tested every test_every iterations. rhs is b, pot receives x
// (its incoming values are ignored), res the recurrence's residual; all hold
// n + 1 entries. itmax is the iteration limit: maxit in the program, tests
// lower it to reach the failure cheaply. On failure pot holds the last iterate.
// The iteration runs on the threads of s.plan; its results do not depend on
// their number.
PcgResult pcg_iterate(const IccgSystem& s, const std::vector<double>& rhs, std::vector<double>& pot,
                      std::vector<double>& res, const PcgMonitor& monitor = {},
                      std::int32_t itmax = maxit);

// prepare_iccg, then pcg_iterate on m.rhs, m.pot and m.res.
PcgResult iccg_solve(ModelStore& m, std::int32_t n, const PcgMonitor& monitor = {}, int threads = 1);

}  // namespace potsolve
