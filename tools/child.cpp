#include "child.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace child {

std::string quoted(const std::string& s) {
  std::string q = "'";
  // close the quotes around every quote inside
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

Result run(const std::string& program, const std::string& args, const std::string& dir,
           const std::string& prefix, const std::string& input) {
  std::string cmd = dir.empty() ? "" : "cd " + quoted(dir) + " && ";
  cmd += prefix + (prefix.empty() ? "" : " ") + quoted(program);
  if (!args.empty()) cmd += " " + args;
  cmd += " " + input + " 2>&1";

  Result r;
  int out[2];
  if (pipe(out) != 0) return r;
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) {
    close(out[0]);
    close(out[1]);
    return r;
  }
  if (pid == 0) {
    close(out[0]);
    dup2(out[1], 1);
    close(out[1]);
    execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  char buf[4096];
  ssize_t n;
  // the whole console output, until the child closes it
  while ((n = read(out[0], buf, sizeof buf)) != 0) {
    if (n > 0) r.console.append(buf, static_cast<std::size_t>(n));
    else if (errno != EINTR) break;
  }
  close(out[0]);
  int raw = 0;
  rusage ru{};
  if (wait4(pid, &raw, 0, &ru) != pid) return r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  r.maxrss = static_cast<double>(ru.ru_maxrss) * 1024.0;  // kilobytes on Linux
  r.cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
          1e-6 * static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec);
  if (WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
  else if (WIFSIGNALED(raw)) r.status = 128 + WTERMSIG(raw);
  return r;
}

}  // namespace child
