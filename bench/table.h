// The benchmark table: rows grouped in sections, printed as aligned text on
// the console and optionally written as Markdown.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace bench {

struct Row {
  std::string section;  // empty for a row that continues the section above
  std::string item;
  std::string value;
  std::string note;
};

class Table {
 public:
  void section(std::string name) { pending_ = std::move(name); }
  void add(std::string item, std::string value, std::string note = "");
  void note(std::string text) { notes_.push_back(std::move(text)); }
  std::string text() const;      // fixed-width columns for the console
  std::string markdown() const;  // a Markdown table followed by the notes

 private:
  std::vector<Row> rows_;
  std::vector<std::string> notes_;
  std::string pending_;
};

// A grid of rows by models: one column per model, the rows in the order first
// added, a cell left empty where a model has no value.
class Sheet {
 public:
  explicit Sheet(std::vector<std::string> columns) : columns_(std::move(columns)) {}
  void set(const std::string& row, std::size_t column, std::string value);
  std::string text() const;
  std::string markdown() const;

 private:
  std::vector<std::string> columns_;
  std::vector<std::pair<std::string, std::vector<std::string>>> rows_;
};

// Formatting of the values.
std::string ms(double seconds);                      // "123.4 ms"
std::string fixed(double v, int digits);             // "%.*f"
std::string ratio(double v);                         // "123x"
std::string mib(double bytes);                       // "12.3 MiB"
std::string sci(double v);                           // "1.2e-15"

}  // namespace bench
