// Fixed-layout output records: a layout of field descriptors applied to a list
// of items, for example "1X,I5,A,E14.7" or "12I8".
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace textio {

// One item of a fixed-layout write.
using Item = std::variant<std::int32_t, float, double, std::string_view>;

// A parsed layout. Descriptors (each with an optional repeat count in front,
// "3F18.8"): Iw, Fw.d, Ew.d, A, nX and $ (no line end). Separated by commas;
// blanks and surrounding parentheses are allowed.
class Layout {
 public:
  struct Field {
    char kind;  // 'I', 'F', 'E', 'A', 'X'
    int w;      // width (count of blanks for X; 0 for A)
    int d;      // digits after the point (F, E)
  };
  explicit Layout(std::string_view text);  // throws std::invalid_argument on a bad layout
  const std::vector<Field>& fields() const { return fields_; }
  bool no_line_end() const { return no_line_end_; }

 private:
  std::vector<Field> fields_;  // repeat counts expanded
  bool no_line_end_ = false;
};

// Renders items under a layout and appends the result to out. Every record ends
// with '\n', except the last one when the layout holds '$'. When the layout runs
// out of descriptors while items remain, the record ends and the layout starts
// again on a new record. Output stops at the first data descriptor that has no
// item left. A value too wide for its field is written as w asterisks; reals are
// rounded to the field's digits.
void render(const Layout& layout, std::span<const Item> items, std::string& out);

// Convenience: the rendered text of one write.
std::string render(const Layout& layout, std::span<const Item> items);

// Single fields, exposed for tests: Iw, Fw.d, Ew.d.
std::string field_i(std::int64_t v, int w);
std::string field_f(double v, int w, int d);
std::string field_e(double v, int w, int d);

}  // namespace textio
