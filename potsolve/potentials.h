// POTENT.OUT: the node count, then the number and potential of every node.
#pragma once

#include "potsolve/model.h"

namespace potsolve {

// Writes POTENT.OUT into the data directory (model_path; unit 22) from nnode and pot. The file is replaced
// only when it has been written completely.
void write_potentials(const ModelStore& m);

}  // namespace potsolve
