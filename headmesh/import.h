// headmesh import: a gmsh mesh with tissue tags to a complete model directory.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "headmesh/electrodes.h"

namespace headmesh {

enum class NodeOrder { hilbert, rcm, keep };

struct ImportOptions {
  std::string mesh;                     // MESH
  std::string out;                      // --out DIR
  std::map<int, double> sigma;          // --sigma TAG=S/m
  std::vector<ElectrodeOption> electrodes;  // --electrode and --patch, in the order given
  std::optional<int> cortex;            // --cortex TAG or --cortex-of TAG
  bool cortex_of_volume = false;
  std::optional<double> current;        // --current MA
  double scale = 0.001;                 // --scale
  NodeOrder order = NodeOrder::hilbert; // --keep-order, --order
};

// What was written, for the console.
struct ImportSummary {
  std::size_t nodes = 0, elements = 0, materials = 0, held = 0, potentials = 0, cortex_points = 0;
  double reference_area = 0.0;  // mm^2
  std::vector<std::string> warnings;  // what the model holds that is most likely a fault of the mesh
};

// Reads the mesh, builds the model and writes setting.dta, xyz.dat, elem.dat,
// prop.dat, bval.dat, bcp.dat, headmesh.map and, when asked, cortex.dat and
// ele_size.txt into DIR (created when missing), all committed together at the
// end. Throws Error before anything is written into DIR when the mesh or the
// options are rejected. Needs a GmshSession.
ImportSummary import_mesh(const ImportOptions& opt);

}  // namespace headmesh
