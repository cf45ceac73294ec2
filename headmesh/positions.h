// An electrode cap from a positions file: each electrode is the patch of the
// head's outer surface within a radius of its position, written to
// electrodes.dat for leadfield.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "headmesh/mesh_read.h"
#include "textio/outfile.h"

namespace headmesh {

struct CapElectrode {
  std::string name;
  std::array<double, 3> centre{};      // mesh units (mm)
  double area = 0.0;                   // contact area, mesh units squared
  std::vector<std::int32_t> nodes;     // mesh nodes (0-based), ascending
};

// The electrodes of CAP.csv in file order: rows NAME,X,Y,Z or
// Electrode,X,Y,Z,NAME; other rows of five fields (Fiducial,...) and empty rows
// are skipped. Throws Error naming the row of a malformed row or a repeated name.
std::vector<CapElectrode> read_positions(const std::string& path);

// Gives each electrode the outer-surface nodes within radius of its centre and
// their contact area (a third of each outer triangle per corner held). Throws
// Error for an empty patch and for a node of two patches.
void place_cap(std::vector<CapElectrode>& cap, const SourceMesh& mesh, const std::vector<Tri>& outer, double radius);

// electrodes.dat: the count, then per electrode 'NAME' X Y Z AREA COUNT and its
// nodes in model numbers (model_of[mesh node] + 1), ten per record.
void write_cap(const std::vector<CapElectrode>& cap, const std::vector<std::int32_t>& model_of, textio::OutFile& f);

}  // namespace headmesh
