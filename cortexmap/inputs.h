// Reading the seven input files and "cortex.dat" into the MapStore, with the
// range checks that keep every number inside its table.
#pragma once

#include <string>

#include "cortexmap/mapstore.h"

namespace cortexmap {

// A value read correctly but outside its table: the file, the record and what
// is wrong, for the console line of a rejected input.
struct InputRejected {
  std::string file;
  long record;
  std::string what;
};

// Each reader throws InputRejected for a count or a table number out of range.
void read_xyz(MapStore& m);       // "xyz.dat": nnode, xyz (times 0.001)
void read_elem(MapStore& m);      // "elem.dat": nelem, ielem (plus 1), imat
void read_potent(MapStore& m);    // "POTENT.OUT" as the solver writes it: nnode (again), pot
void read_bval(MapStore& m);      // "bval.dat": bval
void read_bcp(MapStore& m);       // "bcp.dat": bcplist
void read_prop(MapStore& m);      // "prop.dat": prop
void read_ele_size(MapStore& m);  // "ele_size.txt": refarea, refcurr
void read_cortex(MapStore& m);    // "cortex.dat": npts, ntri, cxyz, itri

}  // namespace cortexmap
