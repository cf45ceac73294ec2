// The console: records and prompts to standard output, the line that ends a
// pause from standard input.
#include "textio/console.h"

#include <iostream>
#include <sstream>

namespace textio {

void Console::record(const Record& r) {
  const std::string s = r.str();
  out->write(s.data(), static_cast<std::streamsize>(s.size()));
  out->put('\n');
}

void Console::fixed(const Layout& layout, std::span<const Item> items) { raw(render(layout, items)); }

void Console::raw(std::string_view bytes) { out->write(bytes.data(), static_cast<std::streamsize>(bytes.size())); }

std::optional<std::string> Console::read_line() {
  flush();
  std::string line;
  if (!std::getline(*in, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void Console::flush() { out->flush(); }

Console& console() {
  static Console con{&std::cout, &std::cin};
  return con;
}

struct ConsoleCapture::Impl {
  std::ostringstream out;
  std::istringstream in;
  std::ostream* saved_out;
  std::istream* saved_in;
};

ConsoleCapture::ConsoleCapture(std::string input) : impl_(new Impl) {
  impl_->in.str(std::move(input));
  impl_->saved_out = console().out;
  impl_->saved_in = console().in;
  console().out = &impl_->out;
  console().in = &impl_->in;
}

ConsoleCapture::~ConsoleCapture() {
  console().out = impl_->saved_out;
  console().in = impl_->saved_in;
  delete impl_;
}

std::string ConsoleCapture::text() const { return impl_->out.str(); }

// The pause ends at the first line read or at end of input; what was typed is
// discarded, never run.
void pause(std::optional<std::string_view> message) {
  Console& con = console();
  con.raw(message ? *message : std::string_view(" Press Enter to continue"));
  con.raw("\n");
  (void)con.read_line();
}

}  // namespace textio
