// The temporaries being written, in fixed slots that the signal handler reads:
// it may only call async-signal-safe functions (unlink, signal, raise).
#include "textio/temporaries.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

namespace textio {

namespace {

constexpr int slots = 32;           // temporaries open at one time (and the kept targets of a group)
constexpr std::size_t name_max = 4096;
char names[slots][name_max];
volatile std::sig_atomic_t in_use[slots];

// HoldSignals objects alive, and an ending signal that came meanwhile (the
// handler may run on any thread: lock-free atomics are safe in it).
std::atomic<int> holding{0};
std::atomic<int> held_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

void end_run(int sig) {
  // every temporary still being written
  for (int k = 0; k < slots; ++k)
    if (in_use[k]) unlink(names[k]);
  std::signal(sig, SIG_DFL);
  std::raise(sig);  // delivered with the default action once the handler, if in one, returns
}

// The signal is noted first; when nothing holds it, whoever takes it back ends
// the run (here, or the last HoldSignals going at the same moment).
extern "C" void remove_temporaries_and_end(int sig) {
  held_signal.store(sig);
  if (holding.load() == 0)
    if (const int s = held_signal.exchange(0)) end_run(s);
}

// Keeps the name of a temporary until drop_temporary(slot): the slot, or -1.
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

HoldSignals::HoldSignals() { holding.fetch_add(1); }

HoldSignals::~HoldSignals() {
  if (holding.fetch_sub(1) == 1)
    if (const int sig = held_signal.exchange(0)) end_run(sig);
}

int create_temporary(std::string& name, int& slot, int suffix_len) {
  const HoldSignals hold;  // the file exists only with its name kept
  slot = -1;
  // the process's file-creation mask, read once; reading it sets it for a
  // moment, which is safe while the programs create their files on one thread
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
  slot = keep_temporary(name.c_str());
  return fd;
}

void drop_temporary(int slot) {
  if (slot >= 0) in_use[slot] = 0;
}

int replace_together(std::span<const Replacement> group) {
  const HoldSignals hold;  // all or none, a signal too
  if (group.size() == 1 && !group[0].temp.empty())  // one rename: all or none by itself
    return std::rename(group[0].temp.c_str(), group[0].target.c_str()) == 0 ? -1 : 0;
  struct Kept {
    std::string name;    // empty: the target did not exist
    bool moved = false;  // kept by moving it aside (a file system without hard links)
    int slot = -1;
  };
  std::vector<Kept> kept(group.size());
  // Undoes the changes before index made and every move aside, then removes
  // the kept names; errno as it was.
  const auto undo = [&](std::size_t made) {
    const int err = errno;
    for (std::size_t j = group.size(); j-- > 0;) {
      if (!kept[j].name.empty() && (j < made || kept[j].moved) &&
          std::rename(kept[j].name.c_str(), group[j].target.c_str()) == 0)
        kept[j].name.clear();
      else if (kept[j].name.empty() && j < made)
        unlink(group[j].target.c_str());
    }
    for (Kept& k : kept) {
      if (!k.name.empty()) unlink(k.name.c_str());
      drop_temporary(k.slot);
    }
    errno = err;
  };
  // every existing target kept under a fresh name: nothing has changed yet when one cannot be
  for (std::size_t i = 0; i < group.size(); ++i) {
    struct stat st {};
    if (lstat(group[i].target.c_str(), &st) != 0 && errno == ENOENT) continue;
    std::string name = group[i].target + ".XXXXXX";
    const int fd = create_temporary(name, kept[i].slot);
    if (fd < 0) {
      undo(0);
      return static_cast<int>(i);
    }
    close(fd);
    kept[i].name = name;
    unlink(name.c_str());
    if (link(group[i].target.c_str(), name.c_str()) != 0) {
      kept[i].moved = std::rename(group[i].target.c_str(), name.c_str()) == 0;
      if (!kept[i].moved) {
        kept[i].name.clear();
        undo(0);
        return static_cast<int>(i);
      }
    }
  }
  // the changes in order; the first that fails undoes the ones before it
  for (std::size_t i = 0; i < group.size(); ++i) {
    const Replacement& r = group[i];
    const bool made = r.temp.empty() ? unlink(r.target.c_str()) == 0 || errno == ENOENT
                                     : std::rename(r.temp.c_str(), r.target.c_str()) == 0;
    if (made) continue;
    undo(i);
    return static_cast<int>(i);
  }
  // the kept names go
  for (std::size_t j = 0; j < group.size(); ++j) kept[j].moved = false;
  undo(0);
  return -1;
}

}  // namespace textio
