// potsolve: the potential field of a tetrahedral volume conductor.
//
// Reads setting.dta from the working directory and the model files from the
// directory it names, solves the conduction equation with the prescribed
// potentials by ICCG and writes the potential of every node to POTENT.OUT.
#include "potsolve/driver.h"
#include "textio/errors.h"

int main() {
  return textio::run_program([] {
    static potsolve::ModelStore m;
    potsolve::run_potsolve(m);
  });
}
