// Conversion of free-format value text to integers and to 32- and 64-bit reals.
#include "textio/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "textio/text.h"

namespace textio {

namespace {

// Checks the real grammar; says whether the text must be rewritten for
// from_chars (a leading '+' or a D exponent).
bool real_syntax(std::string_view s, bool& rewrite) {
  std::size_t i = 0;
  const std::size_t n = s.size();
  rewrite = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) rewrite = s[i++] == '+';
  std::size_t digits = 0;
  // digits before the point
  while (i < n && is_digit(s[i])) ++i, ++digits;
  if (i < n && s[i] == '.') {
    ++i;
    // digits after the point
    while (i < n && is_digit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    rewrite = rewrite || s[i] == 'D' || s[i] == 'd';
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    if (i == n) return false;
    // exponent digits
    while (i < n && is_digit(s[i])) ++i;
  }
  return i == n;
}

float strto(const char* s, float*) { return std::strtof(s, nullptr); }
double strto(const char* s, double*) { return std::strtod(s, nullptr); }

template <class T>
Conversion parse_real_t(std::string_view s, T& v, std::string& work) {
  bool rewrite;
  if (!real_syntax(s, rewrite)) return Conversion::bad;
  if (rewrite) {
    work.clear();
    // the text without '+' and with E for D
    for (char c : s) {
      if (c == '+' && work.empty()) continue;
      work += (c == 'D' || c == 'd') ? 'e' : c;
    }
    s = work;
  }
  T x;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), x, std::chars_format::general);
  if (ec == std::errc() && end == s.data() + s.size()) {
    v = x;
    return Conversion::ok;
  }
  if (ec != std::errc::result_out_of_range) return Conversion::bad;
  // Out of range: the C library tells overflow (infinity) from underflow
  // (zero or subnormal, which is kept).
  const std::string z(s);
  x = strto(z.c_str(), static_cast<T*>(nullptr));
  if (std::isinf(x)) return Conversion::overflow;
  v = x;
  return Conversion::ok;
}

}  // namespace

Conversion parse_i32(std::string_view s, std::int32_t& v) {
  std::size_t i = 0;
  bool neg = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) neg = s[i++] == '-';
  if (i == s.size()) return Conversion::bad;
  std::int64_t a = 0;
  // accumulate the digits, stopping beyond the 32-bit range
  for (; i < s.size(); ++i) {
    if (!is_digit(s[i])) return Conversion::bad;
    a = a * 10 + (s[i] - '0');
    if (a > 2147483648LL) return Conversion::bad;
  }
  if (neg) a = -a;
  if (a > 2147483647LL) return Conversion::bad;
  v = static_cast<std::int32_t>(a);
  return Conversion::ok;
}

Conversion parse_real(std::string_view s, float& v, std::string& work) { return parse_real_t(s, v, work); }
Conversion parse_real(std::string_view s, double& v, std::string& work) { return parse_real_t(s, v, work); }

}  // namespace textio
