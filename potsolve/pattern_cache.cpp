#include "potsolve/pattern_cache.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "potsolve/model.h"
#include "textio/errors.h"
#include "textio/layout.h"
#include "textio/outfile.h"
#include "textio/reader.h"
#include "textio/record.h"

namespace potsolve {

namespace {

// Writes v[0..count) in 12I8 records on out, a chunk of whole records at a
// time, so that the items of a write stay few.
void write_12i8(textio::OutFile& out, const std::int32_t* v, std::size_t count) {
  static const textio::Layout layout12("12I8");
  constexpr std::size_t chunk = 12 * 1024;
  if (count == 0) out.fixed(layout12, {});  // one empty record, as the layout writer gives
  std::vector<textio::Item> items;
  // each pass writes up to 1024 full records, the last pass the remainder
  for (std::size_t start = 0; start < count; start += chunk) {
    const std::size_t stop = std::min(count, start + chunk);
    items.assign(v + start, v + stop);
    out.fixed(layout12, items);
  }
}

}  // namespace

bool pattern_is_symmetric(std::int32_t n, const std::vector<std::int32_t>& irow,
                          const std::vector<std::int32_t>& jcol) {
  // Rows are visited in ascending order, so the rows that store column j arrive
  // in ascending order too; in a symmetric pattern they are row j's columns, in
  // the same order. next[j] is the first column of row j not yet matched.
  std::vector<std::int32_t> next(n + 1);
  // every row starts unmatched
  for (std::int32_t j = 1; j <= n; ++j) next[j] = irow[j - 1] + 1;
  // match each stored (i, j) with the next unmatched term of row j
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t p = irow[i - 1] + 1; p <= irow[i]; ++p) {
      const std::int32_t j = jcol[p];
      if (next[j] > irow[j] || jcol[next[j]] != i) return false;
      ++next[j];
    }
  }
  // every term of every row was matched
  for (std::int32_t j = 1; j <= n; ++j)
    if (next[j] != irow[j] + 1) return false;
  return true;
}

bool check_pattern(std::int32_t n, const std::vector<std::int32_t>& irow,
                   const std::vector<std::int32_t>& jcol) {
  if (n < 1 || n > maxnode) return false;
  if (irow.size() < static_cast<std::size_t>(n) + 1 || irow[0] != 0) return false;
  // row ends never fall back
  for (std::int32_t i = 1; i <= n; ++i)
    if (irow[i] < irow[i - 1]) return false;
  if (irow[n] > maxnz || jcol.size() < static_cast<std::size_t>(irow[n]) + 1) return false;
  // each row strictly increasing within 1..n and holding its diagonal
  for (std::int32_t i = 1; i <= n; ++i) {
    std::int32_t prev = 0;
    bool diagonal = false;
    for (std::int32_t p = irow[i - 1] + 1; p <= irow[i]; ++p) {
      const std::int32_t j = jcol[p];
      if (j <= prev || j > n) return false;
      diagonal = diagonal || j == i;
      prev = j;
    }
    if (!diagonal) return false;
  }
  return pattern_is_symmetric(n, irow, jcol);
}

CacheRead read_pattern_cache(const std::string& path, std::int32_t n,
                             std::vector<std::int32_t>& irow, std::vector<std::int32_t>& jcol) {
  std::optional<textio::Reader> file = textio::Reader::try_open(path, 1);
  if (!file) return CacheRead::absent;
  // Targets start at values the checks refuse, so that a value skipped by a
  // null value or a slash cannot pass for a read one.
  try {
    std::int32_t order = 0;
    file->read(order);
    if (order != n || order < 1 || order > maxnode) return CacheRead::unfit;
    irow.assign(static_cast<std::size_t>(order) + 1, -1);
    irow[0] = 0;
    file->begin();
    // irow(1..n)
    for (std::int32_t i = 1; i <= order; ++i) file->get(irow[i]);
    // irow must be sound before it sizes jcol
    for (std::int32_t i = 1; i <= order; ++i)
      if (irow[i] < irow[i - 1]) return CacheRead::unfit;
    if (irow[order] > maxnz) return CacheRead::unfit;
    jcol.assign(static_cast<std::size_t>(irow[order]) + 1, 0);
    file->begin();
    // jcol(1..nnz)
    for (std::int32_t p = 1; p <= irow[order]; ++p) file->get(jcol[p]);
  } catch (const textio::FatalError&) {
    return CacheRead::unfit;  // values ran out or did not convert
  }
  return check_pattern(n, irow, jcol) ? CacheRead::read : CacheRead::unfit;
}

void write_pattern_cache(const std::string& path, std::int32_t n,
                         const std::vector<std::int32_t>& irow,
                         const std::vector<std::int32_t>& jcol) {
  textio::OutFile out(path, 21);
  out.record(textio::Record().i32(n));
  write_12i8(out, irow.data() + 1, static_cast<std::size_t>(n));
  write_12i8(out, jcol.data() + 1, static_cast<std::size_t>(irow[n]));
  out.commit();
}

}  // namespace potsolve
