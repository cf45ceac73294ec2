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

void Sheet::set(const std::string& row, std::size_t column, std::string value) {
  auto at = std::find_if(rows_.begin(), rows_.end(), [&](const auto& r) { return r.first == row; });
  if (at == rows_.end()) at = rows_.insert(rows_.end(), {row, std::vector<std::string>(columns_.size())});
  at->second.at(column) = std::move(value);
}

std::string Sheet::text() const {
  std::size_t first = 4;
  std::vector<std::size_t> w;
  // widths: the row names, then each column
  for (const auto& r : rows_) first = std::max(first, r.first.size());
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    w.push_back(columns_[c].size());
    for (const auto& r : rows_) w[c] = std::max(w[c], r.second[c].size());
  }
  auto line = [&](const std::string& name, const std::vector<std::string>& cells) {
    std::string out = name + std::string(first - name.size(), ' ');
    for (std::size_t c = 0; c < cells.size(); ++c) out += "  " + std::string(w[c] - cells[c].size(), ' ') + cells[c];
    return out + "\n";
  };
  std::string out = line("", columns_);
  // one line per row
  for (const auto& r : rows_) out += line(r.first, r.second);
  return out;
}

std::string Sheet::markdown() const {
  std::string out = "| |";
  for (const std::string& c : columns_) out += " " + c + " |";
  out += "\n|---|";
  for (std::size_t c = 0; c < columns_.size(); ++c) out += "---:|";
  out += "\n";
  // one table row per row
  for (const auto& r : rows_) {
    out += "| " + r.first + " |";
    for (const std::string& v : r.second) out += " " + v + " |";
    out += "\n";
  }
  return out + "\n";
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
