#include "fuzz/harness.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "common/small_model.h"
#include "textio/console.h"

namespace fuzzing {

namespace {

std::string workdir;  // the private working directory, removed at exit

void remove_workdir() {
  std::error_code ec;
  std::filesystem::remove_all(workdir, ec);
}

}  // namespace

void init() {
  namespace fs = std::filesystem;
  // Every input is written to a file: a memory file system keeps that fast
  // (rewriting a small file on a disk file system can cost milliseconds).
  std::error_code ec;
  const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
  workdir = (base / "headfield-fuzz-XXXXXX").string();
  if (!mkdtemp(workdir.data()) || chdir(workdir.c_str()) != 0) {
    std::perror("fuzz working directory");
    std::abort();
  }
  std::atexit(remove_workdir);
  // Console output goes nowhere (a stream without a buffer drops what it is
  // given); console input is at its end, as when nobody is at the keyboard.
  static std::ostream nowhere(nullptr);
  static std::istringstream no_input;
  textio::console().out = &nowhere;
  textio::console().in = &no_input;
}

void put(const std::string& name, std::string_view bytes) {
  std::ofstream f(name, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) {
    std::perror(name.c_str());
    std::abort();
  }
}

void put_base_model(std::string_view skip) {
  // every base file but the one under test
  for (const smallmodel::File& f : smallmodel::files)
    if (skip != f.name) put(f.name, f.text);
}

std::vector<std::string> split_files(std::string_view bytes) {
  std::vector<std::string> parts(1);
  std::size_t pos = 0;
  // line by line, a "%" line starting the next part
  while (pos < bytes.size()) {
    std::size_t nl = bytes.find('\n', pos);
    const std::size_t end = nl == std::string_view::npos ? bytes.size() : nl + 1;
    const std::string_view line = bytes.substr(pos, end - pos);
    if (line == "%\n" || line == "%")
      parts.emplace_back();
    else
      parts.back().append(line);
    pos = end;
  }
  return parts;
}

void require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace fuzzing
