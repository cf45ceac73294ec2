// Ending a run: the fatal diagnostic, the rejection of out-of-range input and
// the wrapper that turns both (and handled stops) into the exit status.
#include "textio/errors.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "textio/console.h"
#include "textio/temporaries.h"

namespace textio {

namespace {

// Writes text into out (cap bytes, terminated) as printable() shows it, without
// allocating: used where memory has run out or a destructor runs.
void copy_printable(std::string_view text, char* out, std::size_t cap) {
  static const char hex[] = "0123456789ABCDEF";
  std::size_t n = 0;
  // each byte as it is or escaped, while it fits
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const bool plain = c >= 0x20 && c < 0x7F;
    if (n + (plain ? 1 : 4) >= cap) break;
    if (plain) {
      out[n++] = ch;
    } else {
      out[n++] = '\\';
      out[n++] = 'x';
      out[n++] = hex[c >> 4];
      out[n++] = hex[c & 15];
    }
  }
  out[n] = '\0';
}

// The last file that was in hand.
int last_unit = 0;
char last_name[512];
long last_record = 0;
bool last_unwound = false;  // the last file went out of hand as an error unwound the run

// The line that reports running out of memory; composed without allocating.
void report_out_of_memory() {
  char line[1024];
  if (const InHand* held = InHand::held()) {
    const InHand::Where w = held->where();
    char name[512];
    copy_printable(*w.file, name, sizeof name);
    std::snprintf(line, sizeof line, " Fatal error: out of memory; unit %d, file %s, record %ld\n", w.unit, name,
                  w.record);
  } else if (last_name[0]) {
    std::snprintf(line, sizeof line, " Fatal error: out of memory; %sunit %d, file %s, record %ld\n",
                  last_unwound ? "" : "after ", last_unit, last_name, last_record);
  } else {
    std::snprintf(line, sizeof line, " Fatal error: out of memory\n");
  }
  console().raw(line);
}

}  // namespace

std::string printable(std::string_view text, std::size_t cut) {
  std::string out;
  char piece[8];
  // each byte as it is or escaped, up to the cut
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (out.size() >= cut) return out + "...";
    copy_printable(text.substr(i, 1), piece, sizeof piece);
    out += piece;
  }
  return out;
}

std::string with_reason(std::string_view error, int err) {
  return std::string(error) + " (" + std::strerror(err) + ")";
}

void InHand::release() const {
  if (current != this) return;
  const Where w = where();
  last_unit = w.unit;
  copy_printable(*w.file, last_name, sizeof last_name);
  last_record = w.record;
  last_unwound = std::uncaught_exceptions() > 0;
  current = nullptr;
}

[[noreturn]] void fatal(std::string_view error, int unit, std::string_view file, long record) {
  std::string msg = " Fatal error: ";
  msg += error;
  msg += "; unit ";
  msg += std::to_string(unit);
  msg += ", file ";
  msg += printable(file);
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
  handle_signals();
  int status = exit_ok;
  try {
    body();
  } catch (const Stop& s) {
    status = s.status;
  } catch (const FatalError& e) {
    console().raw(std::string(e.what()) + '\n');
    status = exit_fatal;
  } catch (const std::bad_alloc&) {
    report_out_of_memory();
    status = exit_fatal;
  }
  console().flush();
  return status;
}

}  // namespace textio
