// Locating and loading an existing input file.
#pragma once

#include <optional>
#include <string>

namespace textio {

// The path of the regular file to open for path: path itself when it names a
// regular file; otherwise the entry of the same directory ("." when path has
// none) whose name equals the file name ignoring ASCII letter case (the first in
// byte order when several do). nullopt when there is no such regular file.
std::optional<std::string> find_file(const std::string& path);

// The whole content of a file; false when it cannot be read.
bool load_file(const std::string& path, std::string& text);

}  // namespace textio
