// Free-format reading: read statements over the records of a text file mapped
// into memory, scanned value by value.
#include "textio/reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "textio/errors.h"
#include "textio/find_file.h"
#include "textio/numbers.h"
#include "textio/text.h"

namespace textio {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
// Ends an undelimited value.
bool ends_value(char c) { return c == ' ' || c == '\t' || c == ',' || c == '/'; }

// A value as shown in a diagnostic: escaped, cut when it is long.
std::string shown(std::string_view v) { return printable(v, 40); }

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

}  // namespace

Reader::Reader(InputBytes bytes, std::string name, int unit)
    : bytes_(std::move(bytes)),
      text_(bytes_.view().data()),
      size_(bytes_.view().size()),
      name_(std::move(name)),
      unit_(unit) {
  if (bytes_.view().starts_with(byte_order_mark)) next_ = byte_order_mark.size();
}

Reader::~Reader() { release(); }

std::optional<Reader> Reader::try_open(const std::string& path, int unit) {
  const std::optional<std::string> found = find_file(path);
  if (!found) return std::nullopt;
  // the file in hand while it is mapped (or read), for a diagnostic
  struct Opening : InHand {
    int unit;
    const std::string& file;
    Opening(int u, const std::string& f) : unit(u), file(f) { take(); }
    ~Opening() { release(); }
    Where where() const override { return {unit, &file, 0}; }
  } opening(unit, *found);
  std::optional<InputBytes> bytes = InputBytes::load(*found);
  if (!bytes) return std::nullopt;
  return Reader(std::move(*bytes), *found, unit);
}

Reader Reader::open(const std::string& path, int unit) {
  std::optional<Reader> r = try_open(path, unit);
  if (!r) fatal(with_reason("cannot open (status old)", errno), unit, path, 0);
  return std::move(*r);
}

Reader Reader::from_text(std::string text, std::string name, int unit) {
  return Reader(InputBytes(std::move(text)), std::move(name), unit);
}

void Reader::fail(std::string_view error) const { fatal(error, unit_, name_, record_); }

void Reader::bad_value(std::string_view v, std::string_view kind) const {
  fail("cannot convert '" + shown(v) + "' to " + std::string(kind));
}

void Reader::reject(std::string_view what) const { textio::reject(name_, record_, what); }

// Makes the record starting at start the current one.
void Reader::load_record(std::size_t start) {
  const char* t = text_;
  const std::size_t size = size_;
  ++record_;
  pos_ = start;
  const void* nl = std::memchr(t + start, '\n', size - start);
  if (nl) {
    end_ = static_cast<const char*>(nl) - t;
    next_ = end_ + 1;
    if (end_ > start && t[end_ - 1] == '\r') --end_;
  } else {
    end_ = next_ = size;
  }
}

void Reader::next_record() {
  if (next_ >= size_) fail("end of file");
  load_record(next_);
}

void Reader::begin() {
  take();
  next_record();
  slash_ = false;
  after_value_ = false;
  repeat_ = 0;
}

// The value at pos_ (a quoted string or the characters up to the next blank,
// comma, slash or end of record); pos_ moves behind it.
std::string_view Reader::scan_value(bool& quoted) {
  const char* t = text_;
  const char q = t[pos_];
  if (q == '\'' || q == '"') {
    quoted = true;
    quoted_.clear();
    std::size_t p = pos_ + 1;
    // the pieces between doubled delimiters, up to the closing one
    for (;;) {
      const void* c = std::memchr(t + p, q, end_ - p);
      if (!c) fail("unterminated quoted string");
      const std::size_t at = static_cast<const char*>(c) - t;
      quoted_.append(t + p, at - p);
      if (at + 1 < end_ && t[at + 1] == q) {
        quoted_ += q;
        p = at + 2;
      } else {
        pos_ = at + 1;
        return quoted_;
      }
    }
  }
  quoted = false;
  const std::size_t from = pos_;
  // the characters up to the end of the value
  while (pos_ < end_ && !ends_value(t[pos_])) ++pos_;
  return std::string_view(t + from, pos_ - from);
}

bool Reader::next_value(std::string_view& v, bool& quoted) {
  if (slash_) return false;
  if (repeat_ > 0) {
    --repeat_;
    if (repeat_null_) return false;
    v = repeat_text_;
    quoted = repeat_quoted_;
    return true;
  }
  const char* t = text_;
  // pass over blanks, empty records and plain separators to the next item
  for (;;) {
    // the blanks and tabs before it
    while (pos_ < end_ && is_blank(t[pos_])) ++pos_;
    if (pos_ == end_) {
      next_record();
      continue;
    }
    if (t[pos_] == ',') {
      ++pos_;
      if (!after_value_) return false;  // null value
      after_value_ = false;
      continue;
    }
    if (t[pos_] == '/') {
      ++pos_;
      slash_ = true;
      return false;
    }
    break;
  }
  after_value_ = true;
  // r*value or r*: an unsigned non-zero repeat count before an asterisk
  std::size_t p = pos_;
  // the leading digits, a repeat count when an asterisk follows
  while (p < end_ && is_digit(t[p])) ++p;
  if (p > pos_ && p < end_ && t[p] == '*') {
    const std::string_view count(t + pos_, p - pos_);
    std::int32_t r = 0;
    if (parse_i32(count, r) != Conversion::ok || r < 1) fail("bad repeat count '" + shown(count) + "'");
    pos_ = p + 1;
    repeat_null_ = pos_ == end_ || ends_value(t[pos_]);
    if (repeat_null_) {
      repeat_ = r - 1;
      return false;
    }
    v = scan_value(quoted);
    repeat_text_.assign(v);
    repeat_quoted_ = quoted;
    repeat_ = r - 1;
    return true;
  }
  v = scan_value(quoted);
  return true;
}

// A plain integer on the current record (blanks, an optional sign, digits, then
// a blank, comma, slash or the end of the record) is taken at once; anything
// else goes the general way, from the same place.
bool Reader::plain_i32(std::int32_t& v) {
  if (slash_ || repeat_ > 0) return false;
  const char* t = text_;
  std::size_t p = pos_;
  while (p < end_ && is_blank(t[p])) ++p;
  if (p == end_) return false;
  const bool neg = t[p] == '-';
  if (neg || t[p] == '+') ++p;
  const std::size_t first = p;
  std::int64_t a = 0;
  // the digits, at most ten of them
  while (p < end_ && is_digit(t[p]) && p - first < 11) a = a * 10 + (t[p++] - '0');
  if (p == first || p - first > 10 || (p < end_ && !ends_value(t[p]))) return false;
  if (neg) a = -a;
  if (a < INT32_MIN || a > INT32_MAX) return false;
  v = static_cast<std::int32_t>(a);
  pos_ = p;
  after_value_ = true;
  return true;
}

void Reader::get(std::int32_t& v) {
  if (plain_i32(v)) return;
  std::string_view s;
  bool quoted;
  if (!next_value(s, quoted)) return;
  if (quoted || parse_i32(s, v) != Conversion::ok) bad_value(s, "integer");
}

void Reader::get(float& v) {
  std::string_view s;
  bool quoted;
  if (!next_value(s, quoted)) return;
  const Conversion c = quoted ? Conversion::bad : parse_real(s, v, number_);
  if (c == Conversion::bad) bad_value(s, "real");
  if (c == Conversion::overflow) reject("value " + shown(s) + " is out of range for a 32-bit real");
}

void Reader::get(double& v) {
  std::string_view s;
  bool quoted;
  if (!next_value(s, quoted)) return;
  const Conversion c = quoted ? Conversion::bad : parse_real(s, v, number_);
  if (c == Conversion::bad) bad_value(s, "real");
  if (c == Conversion::overflow) reject("value " + shown(s) + " is out of range for a 64-bit real");
}

void Reader::get(Str s) {
  std::string_view v;
  bool quoted;
  if (!next_value(v, quoted)) return;
  s.s.assign(v.substr(0, std::min(v.size(), s.len)));
  s.s.resize(s.len, ' ');
}

}  // namespace textio
