// Tissues: volume physical tags, the material numbers they become and their
// conductivities.
#pragma once

#include <map>
#include <vector>

namespace headmesh {

// The standard tissue tag numbers and conductivities (S/m) of the field's
// common head-meshing pipelines: 1 white matter, 2 grey matter, 3 CSF, 4 bone,
// 5 scalp, 6 eyes, 7 compact bone, 8 spongy bone, 9 blood, 10 muscle.
const std::map<int, double>& standard_conductivities();

// The materials of a mesh: material k (1-based) is the k-th of the tags found,
// in ascending order, with its conductivity.
struct Tissues {
  std::vector<int> tag;        // tag of material k at tag[k - 1]
  std::vector<double> sigma;   // its conductivity (S/m)
  std::map<int, int> material; // tag -> material number
};

// Materials for the tags found (each once, any order). A tag takes its
// conductivity from given (--sigma) or else from the standard table; a tag with
// neither is an Error that lists the tags found.
Tissues make_tissues(std::vector<int> found, const std::map<int, double>& given);

}  // namespace headmesh
