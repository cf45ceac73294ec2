#include "potsolve/pattern_cache.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "potsolve/model.h"
#include "textio/errors.h"
#include "textio/layout.h"
#include "textio/outfile.h"
#include "textio/reader.h"
#include "textio/record.h"

namespace potsolve {

// The fields are 8 characters wide (12I8) while every value leaves a blank
// before it; a larger value (10,000,000 or more stored terms, in a build of
// raised capacities) would fill its field and run into the one before, so such
// a table gets 10-character fields (12I10), which the free-format reading of
// the cache takes alike. The records are rendered here as the layout writer
// renders them (a value too wide for its field as asterisks), a block of
// records at a time.
void write_int_table(textio::OutFile& out, const std::int32_t* v, std::size_t count) {
  static const textio::Layout layout12("12I8");
  const bool wide = std::any_of(v, v + count, [](std::int32_t x) { return x >= 10000000 || x <= -1000000; });
  if (count == 0) return out.fixed(layout12, {});  // one empty record, as the layout writer gives
  const std::size_t w = wide ? 10 : 8;
  constexpr std::size_t block = 12 * 4096;
  std::string text;
  text.reserve(block / 12 * (12 * w + 1));
  // twelve fields per record, the last record the remainder
  for (std::size_t k = 0; k < count; ++k) {
    char buf[16];
    const std::size_t len = static_cast<std::size_t>(std::to_chars(buf, buf + sizeof buf, v[k]).ptr - buf);
    if (len > w) text.append(w, '*');
    else text.append(w - len, ' ').append(buf, len);
    if (k % 12 == 11 || k + 1 == count) text += '\n';
    if ((k + 1) % block == 0 || k + 1 == count) {
      out.lines(text);
      text.clear();
    }
  }
}

std::int32_t pattern_fault(std::int32_t n, const std::vector<std::int32_t>& irow,
                           const std::vector<std::int32_t>& jcol) {
  if (n < 1 || n > maxnode || irow.size() < static_cast<std::size_t>(n) + 1 || irow[0] != 0) return 1;
  // row ends never fall back
  for (std::int32_t k = 1; k <= n; ++k)
    if (irow[k] < irow[k - 1]) return k;
  if (irow[n] > maxnz || jcol.size() <= static_cast<std::size_t>(irow[n])) return n;
  // each row: columns in 1..n, strictly ascending, the diagonal among them
  std::vector<std::int32_t> dpos(n + 1, 0);
  for (std::int32_t k = 1; k <= n; ++k) {
    std::int32_t prev = 0;
    for (std::int32_t p = irow[k - 1] + 1; p <= irow[k]; ++p) {
      const std::int32_t c = jcol[p];
      if (c <= prev || c > n) return k;
      if (c == k) dpos[k] = p;
      prev = c;
    }
    if (dpos[k] == 0) return k;
  }
  // Symmetry: the upper terms (i, j), taken row by row, meet the lower terms
  // (j, i) of row j in their stored order; cursor(j) walks row j's lower part.
  std::vector<std::int32_t> cursor(n + 1, 0);
  // every row's lower part starts unmatched
  for (std::int32_t k = 1; k <= n; ++k) cursor[k] = irow[k - 1] + 1;
  // match each upper term with the next unmatched lower term of its column's row
  for (std::int32_t i = 1; i <= n; ++i)
    for (std::int32_t p = dpos[i] + 1; p <= irow[i]; ++p) {
      const std::int32_t j = jcol[p];
      if (cursor[j] >= dpos[j] || jcol[cursor[j]] != i) return i;
      ++cursor[j];
    }
  // every lower term was met by its mirror
  for (std::int32_t k = 1; k <= n; ++k)
    if (cursor[k] != dpos[k]) return k;
  return 0;
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
  return pattern_fault(n, irow, jcol) == 0 ? CacheRead::read : CacheRead::unfit;
}

void write_pattern_cache(const std::string& path, std::int32_t n,
                         const std::vector<std::int32_t>& irow,
                         const std::vector<std::int32_t>& jcol) {
  textio::OutFile out(path, 21);
  out.record(textio::Record().i32(n));
  write_int_table(out, irow.data() + 1, static_cast<std::size_t>(n));
  write_int_table(out, jcol.data() + 1, static_cast<std::size_t>(irow[n]));
  out.commit();
}

}  // namespace potsolve
