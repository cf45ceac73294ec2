// The command line of a program with verbs: its arguments taken one at a time,
// and the decimal numbers they hold. A usage error is thrown as
// std::invalid_argument with the message for the user.
#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace command_args {

class Args {
 public:
  Args(const std::vector<std::string>& a, std::size_t from) : a_(a), i_(from) {}
  bool done() const { return i_ >= a_.size(); }
  const std::string& next() { return a_[i_++]; }
  const std::string& value(const std::string& option) {
    if (done()) throw std::invalid_argument(option + " needs a value");
    return next();
  }
  // An option that takes one value: given a second time, it is refused
  // rather than the last one silently taken.
  void once(const std::string& option) {
    if (!given_.insert(option).second) throw std::invalid_argument("give " + option + " once");
  }

 private:
  const std::vector<std::string>& a_;
  std::size_t i_;
  std::set<std::string> given_;
};

// A decimal number (no hexadecimal, no infinity, nothing after it).
inline double real_value(const std::string& option, const std::string& text) {
  double v = 0.0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
  if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v))
    throw std::invalid_argument(option + ": '" + text + "' is not a number");
  return v;
}

}  // namespace command_args
