// Temporary output files and the signals that end a run: the names of the
// temporaries being written are kept where a signal handler can reach them.
#pragma once

#include <span>
#include <string>

namespace textio {

// Sets the signal dispositions of a run. A file-size limit makes a write fail
// (EFBIG, a write error) instead of killing the process. SIGINT, SIGTERM and
// SIGHUP remove the temporaries being written, then end the process by the
// same signal (a shell shows 128 + its number). A signal that does not have
// its default action (the parent ignores it, a test harness or fuzzer has its
// own handler) is left as it is.
void handle_signals();

// Creates a temporary file beside a target: name is the pattern, six X's
// followed by suffix_len characters (kept, e.g. an extension), and receives the
// fresh name. The file is created exclusively (no existing file or link is ever
// opened), with mode 0666 less the umask, and its name is kept until
// drop_temporary(slot), so that a signal removes the file (slot -1 when every
// slot is taken or the name is too long: that file is then left behind by a
// signal). Returns the open descriptor, or -1 with errno set and nothing left
// behind.
int create_temporary(std::string& name, int& slot, int suffix_len = 0);
void drop_temporary(int slot);

// While an object of this class lives, an ending signal waits: it is acted on
// (the temporaries removed, the run ended) when the last such object goes.
// Held around a temporary's creation and the keeping of its name, and around
// the publishing of a group, so that a signal never leaves a temporary behind
// nor a group half published.
class HoldSignals {
 public:
  HoldSignals();
  ~HoldSignals();
  HoldSignals(const HoldSignals&) = delete;
  HoldSignals& operator=(const HoldSignals&) = delete;
};

// One change of a group published together: temp renamed over target, or,
// with temp empty, target removed.
struct Replacement {
  std::string temp, target;
};

// Makes every change of the group, all or none: each existing target is first
// kept under a fresh name beside it (a hard link), then the changes are made in
// order; when one fails, those made are undone from the kept names, and the
// kept names are removed either way. Returns -1 when all are made, else the
// index of the change that failed (or whose target could not be kept), with
// errno set; the temporaries are then left for their owner to remove.
int replace_together(std::span<const Replacement> group);

}  // namespace textio
