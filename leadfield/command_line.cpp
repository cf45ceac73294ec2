#include "leadfield/command_line.h"

#include <cmath>

#include "leadfield/error.h"
#include "shared/command_args.h"

namespace leadfield {

namespace {

const char* const usage =
    "usage: leadfield DIR --reference NAME [--out FILE.h5] [--nodes] [--solver cholesky|iccg] [--memory MIB]\n"
    "       leadfield montage FILE.h5 --current NAME=MA ... [--out DIR] [--model DIR]\n"
    "\n"
    "leadfield DIR: the field of 1 mA into every electrode of DIR/electrodes.dat in turn, out at the\n"
    "reference, every other electrode floating; written to FILE.h5 (default DIR/leadfield.h5).\n"
    "  --reference NAME    the grounded electrode\n"
    "  --nodes             also write the potential of every node (/nodes/potential)\n"
    "  --solver S          cholesky (sparse factorisation, the default when the factor fits) or\n"
    "                      iccg (incomplete-Cholesky conjugate gradients)\n"
    "  --memory MIB        room for the Cholesky factor (default: the memory available)\n"
    "leadfield montage: the cortical field of currents in mA into named electrodes (the reference\n"
    "takes minus their sum), written to DIR/montage.out and DIR/montage.vtp (default DIR: .).\n"
    "  --model DIR         check that FILE.h5 was made from the model in DIR\n";

using command_args::Args;
using command_args::real_value;

LeadOptions parse_lead(Args a) {
  LeadOptions o;
  while (!a.done()) {
    const std::string& w = a.next();
    if (w == "--reference") {
      a.once(w);
      o.reference = a.value(w);
    } else if (w == "--out") {
      a.once(w);
      o.out = a.value(w);
    } else if (w == "--nodes") {
      a.once(w);
      o.nodes = true;
    } else if (w == "--solver") {
      a.once(w);
      const std::string& v = a.value(w);
      if (v != "cholesky" && v != "iccg") throw Error("--solver must be cholesky or iccg");
      o.solver = v == "iccg" ? SolverChoice::iccg : SolverChoice::cholesky;
    } else if (w == "--memory") {
      a.once(w);
      o.memory_mib = real_value(w, a.value(w));
      if (o.memory_mib <= 0.0) throw Error("--memory must be positive");
    } else if (w.rfind("-", 0) != 0 && o.dir.empty()) {
      o.dir = w;
    } else {
      throw Error("unknown option " + w + " (see leadfield --help)");
    }
  }
  if (o.dir.empty() || o.reference.empty()) throw Error("leadfield needs DIR and --reference NAME (see leadfield --help)");
  return o;
}

MontageOptions parse_montage(Args a) {
  MontageOptions o;
  while (!a.done()) {
    const std::string& w = a.next();
    if (w == "--current") {
      const std::string& v = a.value(w);
      const auto eq = v.rfind('=');
      if (eq == std::string::npos || eq == 0) throw Error("--current " + v + ": expected NAME=MA");
      o.currents.emplace_back(v.substr(0, eq), real_value("--current " + v, v.substr(eq + 1)));
    } else if (w == "--out") {
      a.once(w);
      o.out = a.value(w);
    } else if (w == "--model") {
      a.once(w);
      o.model = a.value(w);
    } else if (w.rfind("-", 0) != 0 && o.file.empty()) {
      o.file = w;
    } else {
      throw Error("montage: unknown option " + w + " (see leadfield --help)");
    }
  }
  if (o.file.empty() || o.currents.empty())
    throw Error("montage needs FILE.h5 and at least one --current NAME=MA (see leadfield --help)");
  return o;
}

}  // namespace

Command parse_command(const std::vector<std::string>& args) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h") return Help{usage};
  if (args[0] == "montage") return parse_montage(Args(args, 1));
  return parse_lead(Args(args, 0));
}

}  // namespace leadfield
