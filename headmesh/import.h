// headmesh import: a gmsh mesh with tissue tags to a complete model directory.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "headmesh/cortex.h"
#include "headmesh/electrodes.h"

namespace headmesh {

enum class NodeOrder { hilbert, rcm, keep };

struct ImportOptions {
  std::string mesh;                     // MESH
  std::string out;                      // --out DIR
  std::map<int, double> sigma;          // --sigma TAG=S/m
  std::vector<ElectrodeOption> electrodes;  // --electrode and --patch, in the order given
  std::string positions;                // --positions CAP.csv: electrodes.dat
  double electrode_radius = 5.0;        // --electrode-radius MM
  std::optional<CortexRequest> cortex;  // --cortex TAG or --cortex-of TAG[:FACING] [--surface]
  std::optional<double> current;        // --current MA
  double millimetres = 1.0;             // --units: millimetres per unit of the mesh
  NodeOrder order = NodeOrder::hilbert; // --keep-order, --order
};

// What was written, for the console.
struct ImportSummary {
  std::size_t nodes = 0, elements = 0, materials = 0, held = 0, potentials = 0, cortex_points = 0;
  std::size_t cap_electrodes = 0;  // electrodes.dat
  double reference_area = 0.0;  // mm^2
  double cortex_share = 0.0;    // of the cortex points nearest to an element of the cortex's volume tag
  std::size_t moved_along_normal = 0, moved_to_element = 0;
  std::vector<std::string> warnings;  // what the model holds that is most likely a fault of the mesh
};

// Reads the mesh, converts its coordinates to millimetres, builds the model and writes setting.dta, xyz.dat, elem.dat,
// prop.dat, bval.dat, bcp.dat, headmesh.map and, when asked, cortex.dat,
// ele_size.txt and electrodes.dat into DIR (created when missing), all committed together at the
// end. Throws Error before anything is written into DIR when the mesh or the
// options are rejected. Needs a GmshSession.
ImportSummary import_mesh(const ImportOptions& opt);

}  // namespace headmesh
