// The pattern cache "irowjcol.da0": the matrix order, irow(1..n) and
// jcol(1..nnz), the two tables in 12I8 records (12I10 for a table holding a
// value of eight digits, in a build of raised capacities).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace textio {
class OutFile;
}

namespace potsolve {

// What became of reading the cache.
enum class CacheRead {
  absent,  // the file cannot be opened
  unfit,   // malformed, not symmetric, or of another order: to be treated as absent
  read,    // irow and jcol hold the cached pattern
};

// Reads the cache at path for a matrix of order n. On `read`, irow has n + 1
// entries (irow[0] = 0) and jcol irow[n] + 1 (jcol[0] unused), and the pattern
// passed pattern_fault. A cache whose values run out or do not convert is unfit,
// and so are values left unchanged by a null value or a slash.
CacheRead read_pattern_cache(const std::string& path, std::int32_t n,
                             std::vector<std::int32_t>& irow, std::vector<std::int32_t>& jcol);

// The first row that keeps irow(0..n), jcol from being a pattern the later
// stages can work on, or 0 when it is sound. Sound: 1 <= n <= maxnode (else row
// 1), irow long enough, starting from 0 and never falling back (else the row
// where it falls), irow(n) <= maxnz and jcol long enough (else row n), every row
// strictly increasing within 1..n and holding its diagonal (else that row), and
// the pattern symmetric (else the first row whose term or mirror is missing).
// Linear in the number of stored terms.
std::int32_t pattern_fault(std::int32_t n, const std::vector<std::int32_t>& irow,
                           const std::vector<std::int32_t>& jcol);

// Writes v[0..count) in records of twelve integers on out: 12I8, or 12I10 when
// a value would fill its 8 characters.
void write_int_table(textio::OutFile& out, const std::int32_t* v, std::size_t count);

// Writes the cache at path through unit 21 (a temporary renamed over the
// target when complete): one free-format record with n, irow(1..n) in 12I8
// records, jcol(1..irow(n)) in 12I8 records starting on a new record.
void write_pattern_cache(const std::string& path, std::int32_t n,
                         const std::vector<std::int32_t>& irow,
                         const std::vector<std::int32_t>& jcol);

}  // namespace potsolve
