// Element quantities from the nodal potentials: centroid, field magnitude,
// current density and power density of every tetrahedron.
#pragma once

#include "cortexmap/mapstore.h"

namespace cortexmap {

// A stored element value that is not a finite 32-bit real: the element.
struct FieldOverflow {
  std::int32_t element;
};

// Fills cent, emag, jmag, pden for elements 1 .. nelem. An element whose four
// corners are coplanar (zero determinant) gets emag = jmag = pden = 0. Values
// that do not fit a 32-bit real throw FieldOverflow.
void element_fields(MapStore& m);

}  // namespace cortexmap
