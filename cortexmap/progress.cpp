#include "cortexmap/progress.h"

#include <string>

#include "textio/console.h"
#include "textio/errors.h"
#include "textio/record.h"

namespace cortexmap {

namespace {
bool line_open = false;  // a progress line is on the console without its line end
}

void ProgressLine::start(std::int32_t n) {
  textio::console().raw(std::string(18, ' '));
  line_open = true;
  interval_ = static_cast<float>(static_cast<double>(n) / 20.0);
  k_ = 1;
}

void ProgressLine::advance(std::int32_t i) {
  const double t = static_cast<double>(k_) * static_cast<double>(interval_);
  if (static_cast<std::int64_t>(i) == static_cast<std::int64_t>(t)) {
    textio::console().raw("\xA1\xE1");
    ++k_;
  }
}

void empty_record() {
  textio::console().record(textio::Record());
  line_open = false;
}

void end_open_line() {
  if (!line_open) return;
  textio::console().raw("\n");
  line_open = false;
}

void stop_run(const char* text) {
  end_open_line();
  textio::console().record(textio::Record().text(text));
  throw textio::Stop{textio::exit_handled};
}

}  // namespace cortexmap
