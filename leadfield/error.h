// A rejected request or input of leadfield: one line for the user, exit status 1.
#pragma once

#include <stdexcept>

namespace leadfield {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace leadfield
