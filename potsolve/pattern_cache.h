// The pattern cache "irowjcol.da0": the matrix order, irow(1..n) and
// jcol(1..nnz), the two tables in 12I8 records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace potsolve {

// What became of reading the cache.
enum class CacheRead {
  absent,  // the file cannot be opened
  unfit,   // malformed, not symmetric, or of another order: to be treated as absent
  read,    // irow and jcol hold the cached pattern
};

// Reads the cache at path for a matrix of order n. On `read`, irow has n + 1
// entries (irow[0] = 0) and jcol irow[n] + 1 (jcol[0] unused), and the pattern
// passed check_pattern. A cache whose values run out or do not convert is unfit,
// and so are values left unchanged by a null value or a slash.
CacheRead read_pattern_cache(const std::string& path, std::int32_t n,
                             std::vector<std::int32_t>& irow, std::vector<std::int32_t>& jcol);

// True when irow(0..n), jcol form a pattern the later stages can work on:
// 1 <= n <= maxnode, irow starting from 0 and non-decreasing, irow(n) <= maxnz,
// every row strictly increasing within 1..n and holding its diagonal, and the
// pattern symmetric. irow and jcol must have at least n + 1 and irow[n] + 1
// entries; irow[0] must be 0.
bool check_pattern(std::int32_t n, const std::vector<std::int32_t>& irow,
                   const std::vector<std::int32_t>& jcol);

// True when every stored (i, j) has its (j, i); rows must be strictly increasing
// with columns in 1..n. Linear in the number of stored terms.
bool pattern_is_symmetric(std::int32_t n, const std::vector<std::int32_t>& irow,
                          const std::vector<std::int32_t>& jcol);

// Writes the cache at path through unit 21 (a temporary renamed over the
// target when complete): one free-format record with n, irow(1..n) in 12I8
// records, jcol(1..irow(n)) in 12I8 records starting on a new record.
void write_pattern_cache(const std::string& path, std::int32_t n,
                         const std::vector<std::int32_t>& irow,
                         const std::vector<std::int32_t>& jcol);

}  // namespace potsolve
