// Free-format output records: character items and the fixed-width fields of
// 32-bit integers and 32- and 64-bit reals.
#include "textio/record.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace textio {

namespace {

// Appends len characters at s, right-justified in w.
void put_right(std::string& out, const char* s, std::size_t len, std::size_t w) {
  if (len < w) out.append(w - len, ' ');
  out.append(s, len);
}

// The decimal exponent of a scientific rendering ("1.5e-03" gives -3).
int exponent_of(const char* first, const char* last) {
  const char* e = first;
  while (e != last && *e != 'e') ++e;
  int x = 0;
  if (e != last) std::from_chars(e + (e[1] == '+' ? 2 : 1), last, x);
  return x;
}

// The field of a real: fixed form with sig significant digits, right-justified
// in numw characters and followed by trail blanks, when the magnitude rounded
// to sig digits lies in [0.1, 10^sig); exponent form with sig+1 digits, E, the
// sign and at least expdigits exponent digits, right-justified in numw+trail
// characters otherwise (exact zero included). Digits are correctly rounded
// (std::to_chars), as the C library's "%.*e" and "%#.*f" give them.
void put_real(std::string& out, double v, int sig, int numw, int trail, int expdigits) {
  const std::size_t width = numw + trail;
  if (std::isnan(v)) return put_right(out, "NaN", 3, width);
  if (std::isinf(v)) return v < 0 ? put_right(out, "-Infinity", 9, width) : put_right(out, "Infinity", 8, width);
  char buf[64];
  if (v != 0.0) {
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, sig - 1);
    const int x = exponent_of(buf, r.ptr);  // decimal exponent after rounding
    if (x >= -1 && x <= sig - 1) {
      char* end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, sig - 1 - x).ptr;
      if (x == sig - 1) *end++ = '.';  // the point even without decimals
      put_right(out, buf, static_cast<std::size_t>(end - buf), numw);
      out.append(static_cast<std::size_t>(trail), ' ');
      return;
    }
  }
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, sig);
  const int x = exponent_of(buf, r.ptr);
  char* p = buf;
  while (*p != 'e') ++p;
  *p++ = 'E';
  *p++ = x < 0 ? '-' : '+';
  char digits[8];
  const char* dend = std::to_chars(digits, digits + sizeof digits, std::abs(x)).ptr;
  for (auto k = dend - digits; k < expdigits; ++k) *p++ = '0';
  for (const char* d = digits; d != dend; ++d) *p++ = *d;
  put_right(out, buf, static_cast<std::size_t>(p - buf), width);
}

}  // namespace

void append_i32(std::string& out, std::int32_t v) {
  char buf[16];
  const char* end = std::to_chars(buf, buf + sizeof buf, v).ptr;
  put_right(out, buf, static_cast<std::size_t>(end - buf), 12);
}

void append_r32(std::string& out, float v) { put_real(out, v, 7, 11, 4, 2); }

void append_r64(std::string& out, double v) { put_real(out, v, 15, 19, 5, 3); }

std::string format_i32(std::int32_t v) {
  std::string s;
  append_i32(s, v);
  return s;
}

std::string format_r32(float v) {
  std::string s;
  append_r32(s, v);
  return s;
}

std::string format_r64(double v) {
  std::string s;
  append_r64(s, v);
  return s;
}

Record& Record::text(std::string_view s) {
  if (buf_.empty() || after_number_) buf_ += ' ';
  buf_ += s;
  after_number_ = false;
  return *this;
}

Record& Record::i32(std::int32_t v) {
  append_i32(buf_, v);
  after_number_ = true;
  return *this;
}

Record& Record::r32(float v) {
  append_r32(buf_, v);
  after_number_ = true;
  return *this;
}

Record& Record::r64(double v) {
  append_r64(buf_, v);
  after_number_ = true;
  return *this;
}

}  // namespace textio
