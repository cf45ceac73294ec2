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
  // Writes the empty console record (one blank), which also ends an open line.
  void blank_record();
  // Ends an open line with a bare line end, so that a message that follows
  // stands on a line of its own. Nothing happens when no line is open.
  void end();

 private:
  float interval_ = 0.0f;
  std::int32_t k_ = 1;
  bool open_ = false;  // the line is on the console without its line end
};

}  // namespace cortexmap
