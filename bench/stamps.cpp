#include "stamps.h"

#include "textio/console.h"

namespace bench {

QuietConsole::QuietConsole() {
  textio::Console& con = textio::console();
  saved_out_ = con.out;
  saved_in_ = con.in;
  con.out = &out_;
  con.in = &in_;
}

QuietConsole::~QuietConsole() {
  textio::Console& con = textio::console();
  con.out = saved_out_;
  con.in = saved_in_;
}

}  // namespace bench
