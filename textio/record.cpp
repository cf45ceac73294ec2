// Free-format output records: character items and the fixed-width fields of
// 32-bit integers and 32- and 64-bit reals.
#include "textio/record.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "textio/text.h"

namespace textio {

namespace {


// The decimal exponent of a "%e" rendering ("1.5e-03" gives -3).
int exponent_of(const char* e_text) {
  const char* e = std::strchr(e_text, 'e');
  return e ? std::atoi(e + 1) : 0;
}

// Exponent form: one digit, the point, frac digits, E, sign and expdigits
// exponent digits; correctly rounded by the C library.
std::string exponent_form(double v, int frac, int expdigits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", frac, v);
  const char* e = std::strchr(buf, 'e');
  const int x = std::atoi(e + 1);
  char tail[16];
  std::snprintf(tail, sizeof tail, "E%c%0*d", x < 0 ? '-' : '+', expdigits, std::abs(x));
  return std::string(buf, static_cast<std::size_t>(e - buf)) + tail;
}

// The field of a real: fixed form with sig significant digits, right-justified
// in numw characters and followed by trail blanks, when the magnitude rounded
// to sig digits lies in [0.1, 10^sig); exponent form with sig+1 digits
// right-justified in numw+trail characters otherwise (exact zero included).
std::string real_field(double v, int sig, int numw, int trail, int expdigits) {
  const std::size_t width = numw + trail;
  if (std::isnan(v)) return right("NaN", width);
  if (std::isinf(v)) return right(v < 0 ? "-Infinity" : "Infinity", width);
  if (v != 0.0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", sig - 1, std::fabs(v));
    const int x = exponent_of(buf);  // decimal exponent after rounding
    if (x >= -1 && x <= sig - 1) {
      std::snprintf(buf, sizeof buf, "%#.*f", sig - 1 - x, v);
      return right(buf, numw) + std::string(trail, ' ');
    }
  }
  return right(exponent_form(v, sig, expdigits), width);
}

}  // namespace

std::string format_i32(std::int32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%12d", static_cast<int>(v));
  return buf;
}

std::string format_r32(float v) { return real_field(v, 7, 11, 4, 2); }

std::string format_r64(double v) { return real_field(v, 15, 19, 5, 3); }

Record& Record::text(std::string_view s) {
  if (buf_.empty() || after_number_) buf_ += ' ';
  buf_ += s;
  after_number_ = false;
  return *this;
}

Record& Record::i32(std::int32_t v) {
  buf_ += format_i32(v);
  after_number_ = true;
  return *this;
}

Record& Record::r32(float v) {
  buf_ += format_r32(v);
  after_number_ = true;
  return *this;
}

Record& Record::r64(double v) {
  buf_ += format_r64(v);
  after_number_ = true;
  return *this;
}

}  // namespace textio
