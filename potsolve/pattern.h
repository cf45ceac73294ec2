// The non-zero pattern of the stiffness matrix: entry (i, j) is stored when
// nodes i and j share an element, and every diagonal is stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "potsolve/model.h"

namespace potsolve {

// Loads the pattern from the cache at cache_path, or builds it from the elements
// and writes the cache. Fills m.irow (n + 1 entries, irow[0] = 0), m.jcol
// (nnz + 1 entries, 1-based positions) and sizes m.amat to nnz + 1 zeros.
// A cache that cannot be used (malformed, not symmetric, or of an order other
// than n) is reported by one console record and replaced. More than maxnz
// stored terms end the run with the two records of the limit (exit status 1);
// no cache is written then.
void search_pattern(ModelStore& m, std::int32_t& n, std::int32_t ne,
                    const std::string& cache_path = "irowjcol.da0");

// Builds the pattern of the elements 1..ne over the nodes 1..n into irow and
// jcol (no cache involved); stops the run at the stored-term limit.
void build_pattern(const ModelStore& m, std::int32_t n, std::int32_t ne,
                   std::vector<std::int32_t>& irow, std::vector<std::int32_t>& jcol);

}  // namespace potsolve
