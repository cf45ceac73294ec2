// The console progress line of the two long loops: 18 blanks, then up to 20
// marks (the bytes 0xA1 0xE1), one per twentieth of the items.
#pragma once

#include <cstdint>

namespace cortexmap {

class ProgressLine {
 public:
  // Opens the line for a loop of n items.
  void start(std::int32_t n);
  // Item i is about to be processed; writes a mark when it reaches the next threshold.
  void advance(std::int32_t i);

 private:
  float interval_ = 0.0f;
  std::int32_t k_ = 1;
};

// The empty console record (one blank); it also ends an open progress line.
void empty_record();

// Ends an open progress line with a bare line end, so that a failure message
// that follows stands on a line of its own. Nothing happens when no line is open.
void end_open_line();

// Writes one console line of its own (ending an open progress line first) and
// ends the run with exit status 1.
[[noreturn]] void stop_run(const char* text);

}  // namespace cortexmap
