// cortexmap: samples the element fields of the solved head model on the
// cortical surface and writes cortexfield.out, cortexfield.tec and cortexfield.ply.
#include "cortexmap/run.h"
#include "textio/errors.h"

int main() {
  return textio::run_program([] {
    static cortexmap::MapStore m;
    cortexmap::run_cortexmap(m);
  });
}
