// The preconditioner solve z = M^-1 r: a forward sweep with (D + L), then a
// backward sweep with (D + L^T) over the upper rows. The plain sweeps take the
// rows in order; the crew's take them by the levels of the solve's plan, which
// gives every row the same values from the same operations.
#include "potsolve/crew.h"
#include "potsolve/iccg.h"

namespace potsolve {

namespace {

// Forward sweep: (D + L) w = r, w scaled by D^-1 into z.
void forward_sweep(const SplitMatrix& a, const IcFactor& f, const double* r, double* z) {
  const std::int32_t *lowptr = a.lowptr.data(), *lowcol = a.lowcol.data();
  const double *lowfac = f.lowfac.data(), *rdiag = f.rdiag.data();
  for (std::int32_t i = 1; i <= a.n; ++i) {
    double t = r[i];
    // Lower terms of row i against the values already found.
    for (std::int32_t p = lowptr[i - 1] + 1; p <= lowptr[i]; ++p) t = t - lowfac[p] * z[lowcol[p]];
    z[i] = t * rdiag[i];
  }
}

// Backward sweep: (D + L^T) z = D w, last row first.
void backward_sweep(const SplitMatrix& a, const IcFactor& f, double* z) {
  const std::int32_t *upptr = a.upptr.data(), *upcol = a.upcol.data();
  const double *upfac = f.upfac.data(), *rdiag = f.rdiag.data();
  for (std::int32_t i = a.n; i >= 1; --i) {
    double t = 0.0;
    // Upper terms of row i against the values already found.
    for (std::int32_t u = upptr[i - 1] + 1; u <= upptr[i]; ++u) t = t + upfac[u] * z[upcol[u]];
    z[i] = z[i] - t * rdiag[i];
  }
}

// The right-hand side of the forward sweep's row i: r(i) as it is, or, for a
// step of the iteration, r(i) less alpha q(i), which is also stored as r(i).
struct Given {
  const double* r;
  double operator()(std::int32_t i) const { return r[i]; }
};
struct Stepped {
  double* r;
  const double* q;
  double alpha;
  double operator()(std::int32_t i) const { return r[i] = r[i] - alpha * q[i]; }
};

// Rows k0 .. k1-1 of a sweep's share, each in its own order, Block terms per
// step (the rows padded to a multiple of Block).
template <bool Forward, int Block, class Rhs>
void share_rows(const SweepShare& s, std::int32_t k0, std::int32_t k1, Rhs rhs, double* z) {
  const std::int32_t *row = s.row.data(), *ptr = s.ptr.data(), *col = s.col.data();
  const double *val = s.val.data(), *rd = s.rd.data();
  for (std::int32_t k = k0; k < k1; ++k) {
    const std::int32_t i = row[k];
    if constexpr (Forward) {
      double t = rhs(i);
      for (std::int32_t p = ptr[k]; p < ptr[k + 1]; p += Block)
        for (int u = 0; u < Block; ++u) t = t - val[p + u] * z[col[p + u]];
      z[i] = t * rd[k];
    } else {
      double t = 0.0;
      for (std::int32_t p = ptr[k]; p < ptr[k + 1]; p += Block)
        for (int u = 0; u < Block; ++u) t = t + val[p + u] * z[col[p + u]];
      z[i] = z[i] - t * rd[k];
    }
  }
}

template <bool Forward, class Rhs>
void share_rows(const Sweep& sw, const SweepShare& s, std::int32_t k0, std::int32_t k1, Rhs rhs, double* z) {
  if (sw.block == 1) share_rows<Forward, 1>(s, k0, k1, rhs, z);
  else share_rows<Forward, in_order_block>(s, k0, k1, rhs, z);
}

// A whole sweep on one thread: level by level, every share's rows of the level.
template <bool Forward, class Rhs>
void sweep_alone(const Sweep& sw, Rhs rhs, double* z) {
  for (std::int32_t l = 0; l < sw.levels; ++l)
    for (const SweepShare& s : sw.shares)
      share_rows<Forward>(sw, s, l == 0 ? 0 : s.level_end[l - 1], s.level_end[l], rhs, z);
}

// One member's share of a sweep, level by level; before each level it waits
// until the members holding the rows it reads have finished theirs. done[u]
// counts the levels member u has finished, from base on.
template <bool Forward, class Wait, class Rhs>
void sweep_share(const Sweep& sw, int members, std::int32_t base, int me, Wait wait,
                 std::atomic<std::int32_t>& mine, Rhs rhs, double* z) {
  const SweepShare& s = sw.shares[static_cast<std::size_t>(me)];
  std::int32_t k = 0;
  for (std::int32_t l = 0; l < sw.levels; ++l) {
    const std::int32_t* need = s.need.data() + static_cast<std::size_t>(l) * members;
    for (int u = 0; u < members; ++u)
      if (u != me && need[u] > 0) wait(u, base + need[u]);
    share_rows<Forward>(sw, s, k, s.level_end[l], rhs, z);
    k = s.level_end[l];
    mine.store(base + l + 1, std::memory_order_release);
  }
}

}  // namespace

void precond_solve(const SplitMatrix& a, const IcFactor& f, const std::vector<double>& r,
                   std::vector<double>& z) {
  forward_sweep(a, f, r.data(), z.data());
  backward_sweep(a, f, z.data());
}

void Crew::precond(const std::vector<double>& r, std::vector<double>& z) { sweeps(Given{r.data()}, z.data()); }

void Crew::step_precond(std::vector<double>& r, const std::vector<double>& q, double alpha, std::vector<double>& z) {
  sweeps(Stepped{r.data(), q.data(), alpha}, z.data());
}

template <class Rhs>
void Crew::sweeps(Rhs rhs, double* z) {
  const Sweep &fw = s_.plan.forward, &bw = s_.plan.backward;
  const bool paced = members() > 1 && (fw.shared || bw.shared);
  z[0] = 0.0;  // the padding terms' column
  if (!paced || sweep_pace_.start()) {
    // member 0 alone, the others awake for the pass after the sweeps
    team_.alone([&] {
      sweep_alone<true>(fw, rhs, z);
      sweep_alone<false>(bw, rhs, z);
    });
  } else {
    sweeps_shared(rhs, z);
  }
  if (paced) sweep_pace_.stop();
}

// The forward sweep's levels count 1..F on every member's counter (a sweep
// not shared counts as one level, F = 1); the backward sweep starts when every
// member has reached F and counts on from there.
template <class Rhs>
void Crew::sweeps_shared(Rhs rhs, double* z) {
  const Sweep &fw = s_.plan.forward, &bw = s_.plan.backward;
  const int members = this->members();
  for (int u = 0; u < members; ++u) done_[u].v.store(0, std::memory_order_relaxed);
  team_.run([&](int me) {
    auto wait = [this](int u, std::int32_t level) {
      Backoff b;
      while (done_[u].v.load(std::memory_order_acquire) < level) b.pause();
    };
    std::atomic<std::int32_t>& mine = done_[me].v;
    const std::int32_t flevels = fw.shared ? fw.levels : 1;
    if (fw.shared) {
      sweep_share<true>(fw, members, 0, me, wait, mine, rhs, z);
    } else {
      if (me == 0) sweep_alone<true>(fw, rhs, z);
      mine.store(1, std::memory_order_release);
    }
    // every member past the forward sweep
    for (int u = 0; u < members; ++u) wait(u, flevels);
    if (bw.shared) sweep_share<false>(bw, members, flevels, me, wait, mine, rhs, z);
    else if (me == 0) sweep_alone<false>(bw, rhs, z);
  });
}

}  // namespace potsolve
