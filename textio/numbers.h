// Conversion of the text of a free-format value to a number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace textio {

enum class Conversion {
  ok,        // the target holds the value
  bad,       // the text is not a number of the target's kind; target unchanged
  overflow,  // a real too large for the target; target unchanged
};

// An optionally signed decimal integer within the 32-bit range.
Conversion parse_i32(std::string_view s, std::int32_t& v);

// An optionally signed decimal number: digits with an optional point and
// optional further digits, or a point and digits; then an optional exponent
// (E, e, D or d, optional sign, digits). Rounded once, directly from the
// decimal text to the target's width. A value below the smallest subnormal
// becomes a signed zero. work is scratch space.
Conversion parse_real(std::string_view s, float& v, std::string& work);
Conversion parse_real(std::string_view s, double& v, std::string& work);

}  // namespace textio
