// The temporaries being written, in fixed slots that the signal handler reads:
// it may only call async-signal-safe functions (unlink, signal, raise).
#include "textio/temporaries.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <cstring>

namespace textio {

namespace {

constexpr int slots = 8;            // temporaries open at one time
constexpr std::size_t name_max = 4096;
char names[slots][name_max];
volatile std::sig_atomic_t in_use[slots];

extern "C" void remove_temporaries_and_end(int sig) {
  // every temporary still being written
  for (int k = 0; k < slots; ++k)
    if (in_use[k]) unlink(names[k]);
  std::signal(sig, SIG_DFL);
  std::raise(sig);  // delivered with the default action when the handler returns
}

}  // namespace

void handle_signals() {
  std::signal(SIGXFSZ, SIG_IGN);
  // each ending signal that still has its default action
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL) continue;
    struct sigaction act {};
    act.sa_handler = remove_temporaries_and_end;
    sigemptyset(&act.sa_mask);
    for (int other : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&act.sa_mask, other);
    sigaction(sig, &act, nullptr);
  }
}

int create_temporary(std::string& name, int suffix_len) {
  // the process's file-creation mask, read once (the programs have no threads)
  static const mode_t mask = [] {
    const mode_t m = umask(0);
    umask(m);
    return m;
  }();
  // mkstemps puts a fresh part in place of the X's and creates the file with
  // O_EXCL and mode 0600; the usual mode follows
  const int fd = mkstemps(name.data(), suffix_len);
  if (fd < 0) return -1;
  if (fchmod(fd, 0666 & ~mask) != 0) {
    const int err = errno;
    close(fd);
    unlink(name.c_str());
    errno = err;
    return -1;
  }
  return fd;
}

int keep_temporary(const char* path) {
  const std::size_t len = std::strlen(path);
  if (len >= name_max) return -1;
  // the first free slot
  for (int k = 0; k < slots; ++k) {
    if (in_use[k]) continue;
    std::memcpy(names[k], path, len + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);  // the name is complete before the slot counts
    in_use[k] = 1;
    return k;
  }
  return -1;
}

void drop_temporary(int slot) {
  if (slot >= 0) in_use[slot] = 0;
}

}  // namespace textio
