// Locating an input file by name, with a fallback that ignores letter case, and
// mapping its bytes.
#include "textio/find_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <new>
#include <utility>
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
  const int missing = fs::is_directory(path, ec) ? EISDIR : ENOENT;  // the reason when nothing is found
  const std::size_t slash = path.rfind('/');
  const std::string prefix = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = path.substr(prefix.size());
  if (base.empty()) {
    errno = missing;
    return std::nullopt;
  }
  const fs::path dir = prefix.empty() ? fs::path(".") : fs::path(prefix);
  std::vector<std::string> names;
  fs::directory_iterator it(dir, ec), end;
  // the regular files of dir whose names match base without regard to case
  for (; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code ec2;
    if (same_ignoring_case(name, base) && fs::is_regular_file(it->path(), ec2)) names.push_back(name);
  }
  if (names.empty()) {
    errno = missing;
    return std::nullopt;
  }
  return prefix + *std::min_element(names.begin(), names.end());
}

std::optional<InputBytes> InputBytes::load(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  InputBytes b;
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    const int err = errno;
    close(fd);
    errno = err;
    return std::nullopt;
  }
  if (st.st_size > 0) {
    const auto size = static_cast<std::size_t>(st.st_size);
    void* p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    const int err = errno;
    close(fd);
    if (p == MAP_FAILED) {
      if (err == ENOMEM) throw std::bad_alloc();
      errno = err;
      return std::nullopt;
    }
    madvise(p, size, MADV_SEQUENTIAL);
    b.data_ = static_cast<const char*>(p);
    b.size_ = size;
    b.mapped_ = true;
    return b;
  }
  // A file that tells no size (empty, or made up as it is read) is read whole.
  b.owned_ = std::make_unique<std::string>();
  char buf[1 << 16];
  ssize_t n;
  // append the file chunk by chunk
  while ((n = read(fd, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
    if (n > 0) b.owned_->append(buf, static_cast<std::size_t>(n));
  const int err = errno;
  close(fd);
  if (n < 0) {
    errno = err;
    return std::nullopt;
  }
  b.data_ = b.owned_->data();
  b.size_ = b.owned_->size();
  return b;
}

InputBytes::InputBytes(std::string text)
    : owned_(std::make_unique<std::string>(std::move(text))) {
  data_ = owned_->data();
  size_ = owned_->size();
}

InputBytes::InputBytes(InputBytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, false)),
      owned_(std::move(other.owned_)) {}

InputBytes::~InputBytes() {
  if (mapped_) munmap(const_cast<char*>(data_), size_);
}

}  // namespace textio
