// leadfield's command line: the lead-field run and the montage verb.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "leadfield/lead_run.h"
#include "leadfield/montage.h"

namespace leadfield {

struct Help {
  std::string text;
};

using Command = std::variant<Help, LeadOptions, MontageOptions>;

// Parses the arguments after the program name. Throws Error for a usage error.
Command parse_command(const std::vector<std::string>& args);

}  // namespace leadfield
