// The stiffness matrix of one linear tetrahedron with constant conductivity.
#pragma once

namespace potsolve {

// Fills ek (4x4) and fe (4) for the tetrahedron whose corner k has the
// coordinates xe[0..2][k], with conductivity sigma:
//   ek(i,j) = sigma * V * (grad N_i . grad N_j),  fe = 0 (no source term).
// Computed in 64-bit arithmetic from the 32-bit inputs. The corner order does
// not matter (a mirror-image numbering gives the same matrix).
// Returns false when the corners span no volume (coplanar corners or a repeated
// corner, within the rounding of the volume); ek is then all zero.
bool element_matrix(const float xe[3][4], float sigma, double ek[4][4], double fe[4]);

}  // namespace potsolve
