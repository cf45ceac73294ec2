#include "cortexmap/progress.h"

#include <string>

#include "textio/console.h"
#include "textio/record.h"

namespace cortexmap {

void ProgressLine::start(std::int32_t n) {
  textio::console().raw(std::string(18, ' '));
  open_ = true;
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

void ProgressLine::blank_record() {
  textio::console().record(textio::Record());
  open_ = false;
}

void ProgressLine::end() {
  if (!open_) return;
  textio::console().raw("\n");
  open_ = false;
}

}  // namespace cortexmap
