#include "table.h"

#include <algorithm>
#include <cstdio>

namespace bench {

void Table::add(std::string item, std::string value, std::string note) {
  rows_.push_back({pending_, std::move(item), std::move(value), std::move(note)});
  pending_.clear();
}

std::string Table::text() const {
  std::size_t w[3] = {7, 4, 5};
  // widths of the section, item and value columns
  for (const Row& r : rows_) {
    w[0] = std::max(w[0], r.section.size());
    w[1] = std::max(w[1], r.item.size());
    w[2] = std::max(w[2], r.value.size());
  }
  auto pad = [](const std::string& s, std::size_t n) { return s + std::string(n - s.size(), ' '); };
  std::string out;
  // one line per row, a rule before each section
  for (const Row& r : rows_) {
    if (!r.section.empty()) out += std::string(w[0] + w[1] + w[2] + 30, '-') + "\n";
    out += pad(r.section, w[0]) + "  " + pad(r.item, w[1]) + "  " +
           std::string(w[2] - r.value.size(), ' ') + r.value + "  " + r.note + "\n";
  }
  out += std::string(w[0] + w[1] + w[2] + 30, '-') + "\n";
  for (const std::string& n : notes_) out += n + "\n";
  return out;
}

std::string Table::markdown() const {
  std::string out = "| section | item | value | note |\n|---|---|---:|---|\n";
  // one table row per row
  for (const Row& r : rows_)
    out += "| " + (r.section.empty() ? "" : "**" + r.section + "**") + " | " + r.item + " | " + r.value +
           " | " + r.note + " |\n";
  out += "\n";
  for (const std::string& n : notes_) out += n + "\n\n";
  return out;
}

std::string fixed(double v, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

std::string ms(double seconds) {
  const double v = seconds * 1e3;
  return fixed(v, v < 10 ? 2 : (v < 100 ? 1 : 0)) + " ms";
}

std::string ratio(double v) { return fixed(v, v < 10 ? 2 : (v < 100 ? 1 : 0)) + "x"; }

std::string sci(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1e", v);
  return buf;
}

std::string mib(double bytes) { return fixed(bytes / (1024.0 * 1024.0), 1) + " MiB"; }

}  // namespace bench
