// Ending a run: the fatal diagnostic, the rejection of out-of-range input and
// the wrapper that turns both (and handled stops) into the exit status.
#include "textio/errors.h"

#include <string>

#include "textio/console.h"

namespace textio {

[[noreturn]] void fatal(std::string_view error, int unit, std::string_view file, long record) {
  std::string msg = " Fatal error: ";
  msg += error;
  msg += "; unit ";
  msg += std::to_string(unit);
  msg += ", file ";
  msg += file;
  msg += ", record ";
  msg += std::to_string(record);
  throw FatalError(msg);
}

[[noreturn]] void reject(std::string_view file, long record, std::string_view what) {
  std::string line = " Rejected input: ";
  line += file;
  line += ", record ";
  line += std::to_string(record);
  line += ": ";
  line += what;
  line += '\n';
  console().raw(line);
  throw Stop{exit_handled};
}

int run_program(const std::function<void()>& body) {
  int status = exit_ok;
  try {
    body();
  } catch (const Stop& s) {
    status = s.status;
  } catch (const FatalError& e) {
    console().raw(std::string(e.what()) + '\n');
    status = exit_fatal;
  }
  console().flush();
  return status;
}

}  // namespace textio
