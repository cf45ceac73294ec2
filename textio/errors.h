// Ending a run: handled stops with an exit status, and fatal record errors.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace textio {

// Exit statuses of both programs.
constexpr int exit_ok = 0;
constexpr int exit_handled = 1;   // a handled failure or rejected input
constexpr int exit_noconv = 2;    // the iteration did not converge (file still written)
constexpr int exit_fatal = 3;     // a fatal error of the record layer

// Thrown to end the run at once with the given status; nothing more is printed.
// Output files that are still open are discarded, so earlier files stay untouched.
struct Stop {
  int status;
};

// A fatal error of the record layer. what() is the complete one-line diagnostic:
// it names the error, the unit, the file and the record (line) number.
class FatalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Builds the diagnostic of a fatal error and throws it.
//   error  - what went wrong ("end of file", "cannot convert 'x' to integer", ...)
//   unit   - the channel number (0 for the console)
//   file   - the file name as opened
//   record - 1-based record (line) number, 0 when no record is concerned
[[noreturn]] void fatal(std::string_view error, int unit, std::string_view file, long record);

// Text as a diagnostic quotes it: bytes outside printable ASCII as \xHH (a NUL
// byte as \x00), and when it runs beyond cut characters, cut there with "...".
std::string printable(std::string_view text, std::size_t cut = std::string_view::npos);

// error followed by the system's reason for errno err: "write error (File too large)".
std::string with_reason(std::string_view error, int err);

// A file the record layer has in hand (a reader at a statement, an output file
// being written), named by the diagnostic when the run runs out of memory.
// take() is one store, cheap enough for every statement; release(), called by
// the object before it goes away, keeps a copy of where it was.
class InHand {
 public:
  struct Where {
    int unit;
    const std::string* file;
    long record;
  };
  virtual Where where() const = 0;
  static const InHand* held() { return current; }  // the file in hand, if any

 protected:
  ~InHand() = default;
  void take() const { current = this; }
  void release() const;

 private:
  static inline const InHand* current = nullptr;
};

// Rejects input that the record layer read correctly but that is out of range:
// writes one console line naming the file, the record and the value, then ends
// the run with exit status 1.
[[noreturn]] void reject(std::string_view file, long record, std::string_view what);

// Runs a program body with the signal handling of textio/temporaries.h.
// Returns 0 when it completes, the status of a Stop, or exit_fatal after
// writing the diagnostic of a FatalError to the console, or when memory runs
// out (one line naming the file in hand, or the last one). Output files still
// open are discarded on the way. The console is flushed before returning.
int run_program(const std::function<void()>& body);

}  // namespace textio
