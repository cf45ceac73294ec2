// Element quantities from the nodal potentials: centroid, field magnitude,
// current density and power density of every tetrahedron.
#pragma once

#include "cortexmap/mapstore.h"

namespace cortexmap {

// A stored element value that is not a finite 32-bit real: the element.
struct FieldOverflow {
  std::int32_t element;
};

// The gradient g of the potential in element e (the field vector is -g): false,
// with g = 0, when its four corners are coplanar (an exactly zero determinant).
bool element_gradient(const MapStore& m, std::int32_t e, double g[3]);

// cent, emag, jmag, pden of elements 1 .. nelem from xyz, pot, ielem, imat and
// prop. A flat element gets emag = jmag = pden = 0. Values that do not fit a
// 32-bit real throw FieldOverflow.
ElementFields element_fields(const MapStore& m);

}  // namespace cortexmap
