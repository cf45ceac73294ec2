#include "peak.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "tools/child.h"

namespace bench {

namespace {

// Runs one program and waits for it, from inside the helper.
ChildRun run_direct(const std::string& program, const std::string& dir) {
  const child::Result c = child::run(program, "", dir);
  ChildRun r;
  r.status = c.status;
  r.seconds = c.seconds;
  r.maxrss = c.maxrss;
  r.cpu = c.cpu;
  return r;
}

bool read_all(int fd, void* p, std::size_t n) {
  char* c = static_cast<char*>(p);
  // until n bytes arrived
  while (n > 0) {
    const ssize_t k = read(fd, c, n);
    if (k <= 0) return false;
    c += k;
    n -= static_cast<std::size_t>(k);
  }
  return true;
}

bool write_all(int fd, const void* p, std::size_t n) {
  return write(fd, p, n) == static_cast<ssize_t>(n);
}

}  // namespace

Spawner::Spawner() {
  int down[2], up[2];
  // close-on-exec: no program started later (the programs, MPI's helpers) holds the pipes open
  if (pipe2(down, O_CLOEXEC) != 0 || pipe2(up, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    close(down[1]);
    close(up[0]);
    // requests: program, directory and thread count, each as length and bytes
    for (;;) {
      std::string s[3];
      for (std::string& t : s) {
        std::size_t len = 0;
        if (!read_all(down[0], &len, sizeof len)) _exit(0);
        t.resize(len);
        if (!read_all(down[0], t.data(), len)) _exit(0);
      }
      if (s[2].empty()) unsetenv("HEADFIELD_THREADS");
      else setenv("HEADFIELD_THREADS", s[2].c_str(), 1);
      const ChildRun r = run_direct(s[0], s[1]);
      if (!write_all(up[1], &r, sizeof r)) _exit(0);
    }
  }
  close(down[0]);
  close(up[1]);
  to_helper_ = down[1];
  from_helper_ = up[0];
}

Spawner::~Spawner() {
  close(to_helper_);
  close(from_helper_);
  if (pid_ > 0) waitpid(pid_, nullptr, 0);
}

ChildRun Spawner::run(const std::string& program, const std::string& dir, const std::string& threads) {
  ChildRun r;
  for (const std::string* t : {&program, &dir, &threads}) {
    const std::size_t len = t->size();
    if (!write_all(to_helper_, &len, sizeof len) || !write_all(to_helper_, t->data(), len))
      throw std::runtime_error("the process helper is gone");
  }
  if (!read_all(from_helper_, &r, sizeof r)) throw std::runtime_error("the process helper is gone");
  return r;
}

}  // namespace bench
