// Running the built programs in a directory, as a user's script would.
#pragma once

#include <string>

#include "tools/child.h"

namespace testrun {

using Result = child::Result;

// Runs BIN_DIR/<program> in dir with the given standard input (empty: end of input at once).
Result run(const std::string& program, const std::string& dir, const std::string& input = "");

}  // namespace testrun
