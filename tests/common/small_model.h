// The small model that the robustness suite and the fuzz targets start from:
// every input file of both programs for a brick of one cube of 1000 mm cut into
// six tetrahedra, two materials, two prescribed potentials and a cortex of four
// points and two triangles. Node (i,j,k) of the cube is 1 + i + 2j + 4k; the six
// tetrahedra share the diagonal from node 1 to node 8 (0 and 7 in elem.dat,
// which counts from 0). Nodes 1 and 3 are held at 1.0, nodes 2 and 4 at 0.0,
// node 8 carries the code 1 that cortexmap scales by.
//
// potent.out is a plausible field, not the solver's result: the fuzz targets
// read it as it stands, the robustness suite replaces it by what potsolve
// writes for the model.
#pragma once

namespace smallmodel {

struct File {
  const char* name;
  const char* text;
};

inline constexpr File files[] = {
    {"setting.dta", "''\n1.0\n"},
    {"xyz.dat",
     "8\n1 0 0 0\n2 1000 0 0\n3 0 1000 0\n4 1000 1000 0\n"
     "5 0 0 1000\n6 1000 0 1000\n7 0 1000 1000\n8 1000 1000 1000\n"},
    {"elem.dat", "6 4\n1 0 1 3 7 1\n2 0 3 2 7 1\n3 0 2 6 7 1\n4 0 6 4 7 2\n5 0 4 5 7 2\n6 0 5 1 7 2\n"},
    {"prop.dat", "2\n0.33\n1.5\n"},
    {"bval.dat", "2\n1.0\n0.0\n"},
    {"bcp.dat", "5\n1 -1\n3 -1\n2 -2\n4 -2\n8 1\n"},
    {"potent.out", "8\n1 1.0\n2 0.0\n3 1.0\n4 0.0\n5 0.75\n6 0.25\n7 0.75\n8 0.25\n"},
    {"ele_size.txt", "25.0 -2.0\n"},
    {"cortex.dat", "4 2\n0 0 0\n1000 0 0\n0 1000 0\n500 500 2000\n1 2 3\n2 3 4\n"},
};

}  // namespace smallmodel
