#include "fuzz/harness.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

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

const std::vector<File>& base_model() {
  // Node (i,j,k) of the unit cube is 1 + i + 2j + 4k; the six tetrahedra share
  // the diagonal from node 1 to node 8 (0 and 7 in elem.dat, which counts from 0).
  static const std::vector<File> files = {
      {"setting.dta", "''\n1.0\n"},
      {"xyz.dat",
       "8\n1 0 0 0\n2 1000 0 0\n3 0 1000 0\n4 1000 1000 0\n"
       "5 0 0 1000\n6 1000 0 1000\n7 0 1000 1000\n8 1000 1000 1000\n"},
      {"elem.dat",
       "6 4\n1 0 1 3 7 1\n2 0 3 2 7 1\n3 0 2 6 7 1\n4 0 6 4 7 2\n5 0 4 5 7 2\n6 0 5 1 7 2\n"},
      {"prop.dat", "2\n0.33\n1.5\n"},
      {"bval.dat", "2\n1.0\n0.0\n"},
      {"bcp.dat", "5\n1 -1\n3 -1\n2 -2\n4 -2\n8 1\n"},
      {"potent.out",
       "8\n1 1.0\n2 0.0\n3 1.0\n4 0.0\n5 0.75\n6 0.25\n7 0.75\n8 0.25\n"},
      {"ele_size.txt", "25.0 -2.0\n"},
      {"cortex.dat", "4 2\n0 0 0\n1000 0 0\n0 1000 0\n500 500 2000\n1 2 3\n2 3 4\n"},
  };
  return files;
}

void put_base_model(std::string_view skip) {
  // every base file but the one under test
  for (const File& f : base_model())
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
