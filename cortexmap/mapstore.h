// The interpolation program's tables: the mesh, the potentials, the boundary
// list, the cortical surface and everything derived from them.
#pragma once

#include <cstdint>
#include <vector>

#include "capacity.h"

namespace cortexmap {

// Capacities (build-time constants generated into capacity.h).
constexpr std::int32_t maxnode = capacity::cortexmap_maxnode;
constexpr std::int32_t maxelem = capacity::cortexmap_maxelem;
constexpr std::int32_t maxmat = capacity::cortexmap_maxmat;
constexpr std::int32_t maxbval = capacity::cortexmap_maxbval;
constexpr std::int32_t maxbcp = capacity::cortexmap_maxbcp;
constexpr std::int32_t maxpts = capacity::cortexmap_maxpts;
constexpr std::int32_t maxtri = capacity::cortexmap_maxtri;

// The quantities of every element (1-based, entry 0 unused): centroid at
// cent[3*e + 0..2], field magnitude, current density and power density at e.
struct ElementFields {
  std::vector<float> cent, emag, jmag, pden;
};

// All tables are 1-based like the numbers they are indexed by; entry 0 is
// unused. Node tables have room for maxnode nodes (the count of potent.out may
// differ from that of xyz.dat, and nodes that no file filled read as 0); the
// element, point and triangle tables are sized by their counts when read.
struct MapStore {
  // xyz.dat (coordinates times 0.001), then potent.out, whose count replaces nnode
  std::int32_t nnode = 0;
  std::vector<float> xyz = std::vector<float>(3 * (maxnode + 1), 0.0f);  // node i at 3*i
  std::vector<float> pot = std::vector<float>(maxnode + 1, 0.0f);

  // elem.dat: corners of element e at ielem[4*e + 0..3] (1-based), material imat[e]
  std::int32_t nelem = 0;
  std::vector<std::int32_t> ielem;
  std::vector<std::int32_t> imat;

  // prop.dat, bval.dat, bcp.dat (entry k at bcplist[2*k] = node, [2*k+1] = code)
  std::vector<float> prop = std::vector<float>(maxmat + 1, 0.0f);
  std::vector<float> bval = std::vector<float>(maxbval + 1, 0.0f);
  std::int32_t nbcp = 0;
  std::vector<std::int32_t> bcplist;

  // ele_size.txt
  float refarea = 0.0f;
  float refcurr = 0.0f;

  // cortex.dat: point p at cxyz[3*p + 0..2] as read, triangle t at itri[3*t + 0..2]
  std::int32_t npts = 0;
  std::int32_t ntri = 0;
  std::vector<float> cxyz;
  std::vector<std::int32_t> itri;

  // Derived per element: the quantities and the colour index.
  ElementFields fields;
  std::vector<std::int32_t> icol;

  // The calibration factor of the sampled values.
  float fscale = 0.0f;

  // Nearest element of each cortical point.
  std::vector<std::int32_t> inear;
};

}  // namespace cortexmap
