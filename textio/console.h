// The console: standard output for records and prompts, standard input for the
// line that ends a pause.
#pragma once

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "textio/layout.h"
#include "textio/record.h"

namespace textio {

class Console {
 public:
  // One free-format record with its line end. When the line is open (after a
  // '$' layout or raw()), the record completes that line.
  void record(const Record& r);
  // Fixed-layout records; a '$' layout leaves the line open.
  void fixed(const Layout& layout, std::span<const Item> items);
  // Bytes written as they are, without a line end (the line stays open).
  void raw(std::string_view bytes);
  // Flushes the output, then reads one line (without its line end, '\r'
  // removed). nullopt at end of input.
  std::optional<std::string> read_line();
  void flush();

  std::ostream* out;
  std::istream* in;
};

// The process-wide console (std::cout and std::cin unless redirected).
Console& console();

// Redirects the console to a string and a given input for its lifetime (tests).
class ConsoleCapture {
 public:
  explicit ConsoleCapture(std::string input = "");
  ~ConsoleCapture();
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;
  std::string text() const;  // everything written so far
 private:
  struct Impl;
  Impl* impl_;
};

// The console pause: writes the message and a line end (with no message, a
// short prompt of its own), then waits for one line. Any line, empty or not,
// ends the pause, and so does end of input. Nothing typed is ever executed.
void pause(std::optional<std::string_view> message = std::nullopt);

}  // namespace textio
