// Free-format output records: the rendering of character items, 32-bit integers
// and 32- and 64-bit reals into one line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace textio {

// One free-format output record under construction.
//   Record().text(" # of non-zeros : ").i32(nnz)
// A character item is copied unchanged; it is preceded by one blank when it is the
// first item of the record or when the item before it was a number. A record with
// no items is a single blank.
class Record {
 public:
  Record& text(std::string_view s);
  Record& i32(std::int32_t v);   // right-justified in 12 characters
  Record& r32(float v);          // 15 characters, 7 significant digits
  Record& r64(double v);         // 24 characters, 15 significant digits
  // The finished record, without a line end.
  std::string str() const { return buf_.empty() ? std::string(" ") : buf_; }

 private:
  std::string buf_;
  bool after_number_ = false;
};

// The number fields of a free-format record, exposed for the writers and tests,
// and the same appended to a text.
void append_i32(std::string& out, std::int32_t v);
void append_r32(std::string& out, float v);
void append_r64(std::string& out, double v);
std::string format_i32(std::int32_t v);
std::string format_r32(float v);
std::string format_r64(double v);

}  // namespace textio
