// The non-zero pattern of the stiffness matrix: entry (i, j) is stored when
// nodes i and j share an element, and every diagonal is stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "potsolve/corner_slots.h"
#include "potsolve/model.h"
#include "potsolve/pattern_cache.h"

namespace potsolve {

// More than maxnz stored terms: the first count past the limit, and the limit.
struct TooManyTerms {
  std::int32_t count, limit;
};

// Loads the pattern from the cache at cache_path, or builds it from the elements
// and writes the cache. Fills m.irow (n + 1 entries, irow[0] = 0), m.jcol
// (nnz + 1 entries, 1-based positions) and sizes m.amat to nnz + 1 zeros.
// Returns what became of the cache: read, absent, or unfit (malformed, not
// symmetric, or of an order other than n) and replaced. More than maxnz stored
// terms throw TooManyTerms; no cache is written then. The search runs on up to
// `threads` threads.
CacheRead search_pattern(ModelStore& m, std::int32_t n, std::int32_t ne,
                         const std::string& cache_path = "irowjcol.da0", int threads = 1);
// The same over the elements' incidence, made once for the search and the assembly.
CacheRead search_pattern(ModelStore& m, const CornerSlots& inc, std::int32_t n, const std::string& cache_path,
                         int threads);

// Builds the pattern of the elements 1..ne over the nodes 1..n into irow and
// jcol (no cache involved) on up to `threads` threads; throws TooManyTerms at
// the stored-term limit.
void build_pattern(const ModelStore& m, std::int32_t n, std::int32_t ne,
                   std::vector<std::int32_t>& irow, std::vector<std::int32_t>& jcol, int threads = 1);
void build_pattern(const ModelStore& m, const CornerSlots& inc, std::int32_t n, std::vector<std::int32_t>& irow,
                   std::vector<std::int32_t>& jcol, int threads);

}  // namespace potsolve
