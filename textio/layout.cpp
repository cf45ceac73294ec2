// Fixed-layout output: parsing a layout such as "1X,I5,A,E14.7" and rendering
// items under it into records.
#include "textio/layout.h"

#include "textio/decimal.h"
#include "textio/text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace textio {

namespace {

[[noreturn]] void bad_layout(std::string_view text) {
  throw std::invalid_argument("bad layout \"" + std::string(text) + "\"");
}

// Reads an unsigned decimal number at s[i]; -1 when there is none.
int read_number(std::string_view s, std::size_t& i) {
  long n = -1;
  // accumulate the digits at i
  while (i < s.size() && is_digit(s[i])) {
    n = (n < 0 ? 0 : n) * 10 + (s[i] - '0');
    if (n > 100000) return -2;  // no field or repeat count is that large
    ++i;
  }
  return static_cast<int>(n);
}

std::string stars(int w) { return std::string(w > 0 ? w : 0, '*'); }

// A non-finite real in a field of w characters.
std::string non_finite(double v, int w) {
  std::string s = std::isnan(v) ? "NaN" : (v < 0 ? "-Infinity" : "Infinity");
  if (static_cast<int>(s.size()) > w && std::isinf(v)) s = v < 0 ? "-Inf" : "Inf";
  return static_cast<int>(s.size()) > w ? stars(w) : right(s, w);
}

std::string item_field(const Layout::Field& f, const Item& item) {
  switch (f.kind) {
    case 'I':
      if (auto* v = std::get_if<std::int32_t>(&item)) return field_i(*v, f.w);
      throw std::logic_error("layout: I field needs an integer item");
    case 'F':
    case 'E': {
      double v;
      if (auto* p = std::get_if<float>(&item))
        v = *p;
      else if (auto* q = std::get_if<double>(&item))
        v = *q;
      else
        throw std::logic_error("layout: F or E field needs a real item");
      return f.kind == 'F' ? field_f(v, f.w, f.d) : field_e(v, f.w, f.d);
    }
    default:  // 'A'
      if (auto* s = std::get_if<std::string_view>(&item)) return std::string(*s);
      throw std::logic_error("layout: A field needs a character item");
  }
}

// The text of "%.*f" with d decimals.
std::string fixed_text(double v, int d) {
  std::uint64_t q = 0;
  if (round_decimals(std::fabs(v), d, q)) {
    // sign, integer part, point and the d decimals of the rounded value
    char buf[64];
    char* p = buf;
    if (std::signbit(v)) *p++ = '-';
    std::uint64_t unit = 1;
    for (int k = 0; k < d; ++k) unit *= 10;  // 10^d
    p = put_digits(p, q / unit);
    if (d > 0) {
      *p++ = '.';
      p = put_digits(p, q % unit, d);
    }
    return std::string(buf, p);
  }
  const int n = std::snprintf(nullptr, 0, "%.*f", d, v);
  std::string s(n, '\0');
  std::snprintf(s.data(), n + 1, "%.*f", d, v);
  return s;
}

// d significant digits of a > 0 and the exponent x of "%.*e" (d - 1 decimals).
void significant_text(double a, int d, std::string& digits, int& x) {
  std::uint64_t q = 0;
  if (round_significant(a, d, q, x)) {
    char buf[24];
    digits.assign(buf, put_digits(buf, q));
    return;
  }
  const int n = std::snprintf(nullptr, 0, "%.*e", d - 1, a);
  std::string buf(n, '\0');
  std::snprintf(buf.data(), n + 1, "%.*e", d - 1, a);
  const std::size_t e = buf.find('e');
  digits = buf.substr(0, 1) + (d > 1 ? buf.substr(2, e - 2) : "");
  x = std::atoi(buf.c_str() + e + 1);
}

}  // namespace

Layout::Layout(std::string_view text) {
  std::string s;
  // the layout without its blanks
  for (char c : text)
    if (c != ' ' && c != '\t') s += c;
  std::string_view body = s;
  if (body.size() >= 2 && body.front() == '(' && body.back() == ')') body = body.substr(1, body.size() - 2);
  if (body.empty()) return;
  std::size_t i = 0;
  // one descriptor per pass, each ending at a comma or the end
  for (;;) {
    const int rep = read_number(body, i);
    if (rep == 0 || rep < -1 || i == body.size()) bad_layout(text);
    const char k = static_cast<char>(std::toupper(static_cast<unsigned char>(body[i++])));
    if (k == '$') {
      if (rep != -1) bad_layout(text);
      no_line_end_ = true;
    } else if (k == 'X') {
      fields_.push_back({'X', rep < 0 ? 1 : rep, 0});
    } else if (k == 'A' || k == 'I' || k == 'F' || k == 'E') {
      int w = 0, d = 0;
      if (k != 'A') {
        w = read_number(body, i);
        if (w < 1) bad_layout(text);
        if (k != 'I') {
          if (i == body.size() || body[i++] != '.') bad_layout(text);
          d = read_number(body, i);
          if (d < (k == 'E' ? 1 : 0)) bad_layout(text);
        }
      }
      // the descriptor once per repeat
      for (int r = 0; r < (rep < 0 ? 1 : rep); ++r) fields_.push_back({k, w, d});
    } else {
      bad_layout(text);
    }
    if (i == body.size()) break;
    if (body[i++] != ',' || i == body.size()) bad_layout(text);
  }
}

std::string field_i(std::int64_t v, int w) {
  const std::string s = std::to_string(v);
  return static_cast<int>(s.size()) > w ? stars(w) : right(s, w);
}

// Fw.d: the value rounded to d decimals; the zero before the point is dropped
// when the field has no room for it.
std::string field_f(double v, int w, int d) {
  if (!std::isfinite(v)) return non_finite(v, w);
  std::string s = fixed_text(v, d);
  if (static_cast<int>(s.size()) > w) {
    const std::size_t z = s[0] == '-' ? 1 : 0;
    if (s.size() > z + 1 && s[z] == '0' && s[z + 1] == '.') s.erase(z, 1);
  }
  return static_cast<int>(s.size()) > w ? stars(w) : right(s, w);
}

// Ew.d: [-][0].d1..dd E±ee; an exponent beyond two digits is written ±eee
// without the E, and a zero before the point only when the field has room.
std::string field_e(double v, int w, int d) {
  if (d < 1) throw std::logic_error("layout: E field needs at least one digit");
  if (!std::isfinite(v)) return non_finite(v, w);
  std::string digits;
  int x = 0;
  if (v != 0.0) {
    // d significant digits, correctly rounded
    significant_text(std::fabs(v), d, digits, x);
    x = x + 1;
  } else {
    digits.assign(d, '0');
  }
  const int ax = std::abs(x);
  if (ax > 999) return stars(w);
  char exp[8];
  if (ax <= 99)
    std::snprintf(exp, sizeof exp, "E%c%02d", x < 0 ? '-' : '+', ax);
  else
    std::snprintf(exp, sizeof exp, "%c%03d", x < 0 ? '-' : '+', ax);
  const std::string sign = std::signbit(v) ? "-" : "";
  const std::string body = "." + digits + exp;
  if (static_cast<int>(sign.size() + 1 + body.size()) <= w) return right(sign + "0" + body, w);
  if (static_cast<int>(sign.size() + body.size()) <= w) return right(sign + body, w);
  return stars(w);
}

void render(const Layout& layout, std::span<const Item> items, std::string& out) {
  const auto& fields = layout.fields();
  std::size_t k = 0;
  bool has_data = false;
  // whether any descriptor takes an item
  for (const auto& f : fields) has_data = has_data || f.kind != 'X';
  if (!items.empty() && !has_data) throw std::logic_error("layout: items but no data field");
  // one record per pass over the layout
  for (;;) {
    int blanks = 0;  // X positions, written only when a field follows
    // the descriptors of one pass, up to the first one without an item
    for (const auto& f : fields) {
      if (f.kind == 'X') {
        blanks += f.w;
        continue;
      }
      if (k == items.size()) break;
      out.append(blanks, ' ');
      blanks = 0;
      out += item_field(f, items[k++]);
    }
    if (k == items.size()) break;
    out += '\n';
  }
  if (!layout.no_line_end()) out += '\n';
}

std::string render(const Layout& layout, std::span<const Item> items) {
  std::string out;
  render(layout, items, out);
  return out;
}

}  // namespace textio
