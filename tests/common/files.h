// Files and directories of the tests: whole-file reading and writing, fresh
// temporary directories, and text split into lines.
#pragma once

#include <string>
#include <vector>

namespace testmesh {

// Writes a file with the given content.
void write_file(const std::string& path, const std::string& text);
// Reads a whole file; empty when it does not exist.
std::string read_file(const std::string& path);
// A fresh empty directory under the system's temporary directory, removed with
// everything in it when the test program ends.
std::string fresh_dir(const std::string& tag);
// The lines of text, without their line ends.
std::vector<std::string> lines(const std::string& text);

}  // namespace testmesh
