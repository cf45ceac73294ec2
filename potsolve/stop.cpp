#include "potsolve/stop.h"

#include "textio/console.h"
#include "textio/errors.h"

namespace potsolve {

void press_key() {
  // The prompt is one string field followed by '$': the line stays open.
  static const textio::Layout prompt("A,$");
  const textio::Item item = std::string_view(" Press Any To Continue ...");
  textio::Console& con = textio::console();
  con.fixed(prompt, {&item, 1});
  (void)con.read_line();  // a line, or the end of input, ends the wait
}

void silent_stop() { throw textio::Stop{textio::exit_handled}; }

}  // namespace potsolve
