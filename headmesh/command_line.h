// headmesh's command line: the verbs, their options and their help.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "headmesh/export.h"
#include "headmesh/head.h"
#include "headmesh/import.h"
#include "headmesh/sphere.h"

namespace headmesh {

struct ExportOptions {
  std::string dir;  // DIR
  std::string out;  // --out FILE.vtu | FILE.msh
  Calibration calibration = Calibration::exact;  // --calibration exact | cortexmap
};

struct Help {
  std::string text;
};

using Command = std::variant<Help, ImportOptions, ExportOptions, SphereOptions, HeadOptions>;

// Parses the arguments after the program name. Throws Error for a usage error.
Command parse_command(const std::vector<std::string>& args);

}  // namespace headmesh
