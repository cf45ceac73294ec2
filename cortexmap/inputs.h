// Reading the seven input files and "cortex.dat" of a directory into the
// MapStore, with the range checks that keep every number inside its table.
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

// The file name of a directory: dir/name, or the bare name (a file of the
// working directory) when dir is empty.
std::string file_in(const std::string& dir, const char* name);

// Each reader opens its file in dir (see file_in) and throws InputRejected
// for a count or a table number out of range.
void read_xyz(MapStore& m, const std::string& dir);       // "xyz.dat": nnode, xyz as written
void read_elem(MapStore& m, const std::string& dir);      // "elem.dat": nelem, ielem (plus 1), imat
void read_potent(MapStore& m, const std::string& dir);    // "POTENT.OUT" as the solver writes it: nnode (again), pot
void read_bval(MapStore& m, const std::string& dir);      // "bval.dat": bval
void read_bcp(MapStore& m, const std::string& dir);       // "bcp.dat": bcplist
void read_prop(MapStore& m, const std::string& dir);      // "prop.dat": prop
void read_ele_size(MapStore& m, const std::string& dir);  // "ele_size.txt": refarea, refcurr
void read_cortex(MapStore& m, const std::string& dir);    // "cortex.dat": npts, ntri, cxyz, itri

// The lengths of the input files (mm) in the unit of the fields (m): each
// coordinate times this 32-bit factor, the product rounded to 32 bits.
float in_metres(float length);

// xyz of nodes 1 .. nnode into the unit of the fields (after read_xyz).
void scale_coordinates(MapStore& m);

}  // namespace cortexmap
