// The field library: the stages of the cortical mapping as functions of their
// inputs, for any program that derives fields from a solved model directory.
//
// The stages in the order the cortexmap run calls them (dir is the model
// directory; an empty dir is the working directory):
//
//   MapStore m;                                   // the tables (large: allocate it once)
//   read_xyz(m, dir); scale_coordinates(m);        // nodes, in metres
//   read_elem(m, dir); read_potent(m, dir);        // elements, potentials
//   read_bval(m, dir); read_bcp(m, dir); read_prop(m, dir); read_ele_size(m, dir);
//   m.fields = element_fields(m);                  // cent, emag, jmag, pden per element
//   m.fscale = field_scale(m, node_averages(m, m.fields, progress));
//   read_cortex(m, dir);
//   m.inear = find_nearest(m, m.fields.cent, progress);
//   sampled_values(m, p);                          // what cortexfield.out holds for point p
//
// Failures: InputRejected (a value out of range), textio::FatalError (a file or
// record that cannot be read), FieldOverflow, ScaleFailure, SampleOverflow.
// The stages write nothing but the progress marks of a ProgressLine.
#pragma once

#include "cortexmap/averages.h"
#include "cortexmap/fields.h"
#include "cortexmap/inputs.h"
#include "cortexmap/mapstore.h"
#include "cortexmap/nearest.h"
#include "cortexmap/outputs.h"
#include "cortexmap/progress.h"
#include "cortexmap/scale.h"
