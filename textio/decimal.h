// Correctly rounded decimal digits of a double without the C library's
// arbitrary-precision path, for the number fields of output records. Each
// routine answers only when its result is certain to equal what "%.*e" or
// "%.*f" would print; otherwise it returns false and the caller formats with
// snprintf.
#pragma once

#include <cstdint>

namespace textio {

// a > 0 rounded to sig significant digits (1 <= sig <= 15): digits in
// [10^(sig-1), 10^sig) and x the decimal exponent of the "%.*e" rendering.
bool round_significant(double a, int sig, std::uint64_t& digits, int& x);

// a >= 0 rounded to d decimals (0 <= d <= 18): scaled = round(a * 10^d).
bool round_decimals(double a, int d, std::uint64_t& scaled);

// Writes the decimal digits of v, at least width of them (zero-padded), at p;
// returns the end.
char* put_digits(char* p, std::uint64_t v, int width = 1);

}  // namespace textio
