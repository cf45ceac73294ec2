// Character and field helpers shared by the readers and writers of the record layer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace textio {

// An ASCII decimal digit (independent of the locale).
inline bool is_digit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// Right-justifies s in a field of w characters (longer text stays whole).
inline std::string right(std::string_view s, std::size_t w) {
  std::string out;
  if (s.size() < w) out.assign(w - s.size(), ' ');
  out += s;
  return out;
}

}  // namespace textio
