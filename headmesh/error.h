// A rejected request or input of headmesh: one line for the user, exit status 1.
#pragma once

#include <stdexcept>

namespace headmesh {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace headmesh
