#include "potsolve/potentials.h"

#include "potsolve/settings.h"
#include "textio/outfile.h"

namespace potsolve {

void write_potentials(const ModelStore& m) {
  textio::OutFile out(model_path(m, "POTENT.OUT"), 22);
  out.record(textio::Record().i32(m.nnode));
  // one record per node, in node order
  for (std::int32_t i = 1; i <= m.nnode; ++i) out.record(textio::Record().i32(i).r64(m.pot[i]));
  out.commit();
}

}  // namespace potsolve
