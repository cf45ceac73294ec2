// A console sink for the benchmark: keeps the text the programs write and the
// time at which each piece arrived, so that stages announced on the console
// (the model files of potsolve) can be timed from outside.
#pragma once

#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "clock.h"

namespace bench {

class StampBuf : public std::streambuf {
 public:
  std::string text;
  std::vector<std::pair<std::size_t, double>> stamps;  // (offset in text, time)

  // Time at which the first write at or after offset pos arrived (now when none).
  double time_at(std::size_t pos) const {
    for (const auto& [off, t] : stamps)
      if (off >= pos) return t;
    return now();
  }

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    stamps.emplace_back(text.size(), now());
    text.append(s, static_cast<std::size_t>(n));
    return n;
  }
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) {
      stamps.emplace_back(text.size(), now());
      text.push_back(static_cast<char>(c));
    }
    return c;
  }
};

// Redirects the programs' console into a StampBuf (input: end of file) for
// its lifetime.
class QuietConsole {
 public:
  QuietConsole();
  ~QuietConsole();
  StampBuf buf;
  void clear() {
    buf.text.clear();
    buf.stamps.clear();
  }

 private:
  std::ostream out_{&buf};
  std::istringstream in_;
  std::ostream* saved_out_;
  std::istream* saved_in_;
};

}  // namespace bench
