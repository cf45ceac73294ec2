// Locating an input file by name, with a fallback that ignores letter case, and
// loading it whole.
#include "textio/find_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace textio {

namespace {

bool same_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  // compare letter by letter, folding ASCII upper case
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> find_file(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::is_regular_file(path, ec)) return path;
  const std::size_t slash = path.rfind('/');
  const std::string prefix = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = path.substr(prefix.size());
  if (base.empty()) return std::nullopt;
  const fs::path dir = prefix.empty() ? fs::path(".") : fs::path(prefix);
  std::vector<std::string> names;
  fs::directory_iterator it(dir, ec), end;
  // the regular files of dir whose names match base without regard to case
  for (; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code ec2;
    if (same_ignoring_case(name, base) && fs::is_regular_file(it->path(), ec2)) names.push_back(name);
  }
  if (names.empty()) return std::nullopt;
  return prefix + *std::min_element(names.begin(), names.end());
}

bool load_file(const std::string& path, std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  text.clear();
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (!ec) text.reserve(static_cast<std::size_t>(size) + 1);
  char buf[1 << 16];
  std::size_t n;
  // append the file chunk by chunk
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

}  // namespace textio
