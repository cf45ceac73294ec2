// Locating and loading an existing input file.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace textio {

// The path of the regular file to open for path: path itself when it names a
// regular file; otherwise the entry of the same directory ("." when path has
// none) whose name equals the file name ignoring ASCII letter case (the first in
// byte order when several do). nullopt when there is no such regular file,
// with errno ENOENT (EISDIR when path is a directory).
std::optional<std::string> find_file(const std::string& path);

// The bytes of an input file, mapped read-only: memory follows the part that is
// read, not the size of the file. Text held in memory can stand in for a file.
class InputBytes {
 public:
  // The file's bytes; nullopt with errno set when it cannot be opened or read.
  static std::optional<InputBytes> load(const std::string& path);
  explicit InputBytes(std::string text);
  InputBytes(InputBytes&& other) noexcept;
  InputBytes& operator=(InputBytes&&) = delete;
  ~InputBytes();

  std::string_view view() const { return {data_, size_}; }

 private:
  InputBytes() = default;
  const char* data_ = nullptr;
  std::size_t size_ = 0;
  bool mapped_ = false;
  std::unique_ptr<std::string> owned_;  // text read or given (its bytes stay put when moved)
};

}  // namespace textio
