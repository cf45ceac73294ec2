// headmesh: gmsh head meshes in as model directories, solved fields out to
// gmsh and ParaView, and nested-sphere test meshes.
#include <cstdio>
#include <string>
#include <vector>

#include "headmesh/command_line.h"
#include "headmesh/error.h"
#include "headmesh/export.h"
#include "headmesh/gmsh_session.h"
#include "headmesh/head.h"
#include "headmesh/import.h"
#include "headmesh/sphere.h"
#include "textio/errors.h"
#include "textio/temporaries.h"

namespace {

using namespace headmesh;

void run(const ImportOptions& o) {
  const GmshSession gmsh;
  const ImportSummary s = import_mesh(o);
  std::printf("headmesh: wrote %s: %zu nodes, %zu tetrahedra, %zu tissues, %zu held nodes at %zu potentials",
              o.out.c_str(), s.nodes, s.elements, s.materials, s.held, s.potentials);
  if (s.cortex_points) std::printf(", cortex of %zu points", s.cortex_points);
  if (o.cortex && o.cortex->of_volume) {
    std::printf(" (%.2f %% nearest to a tag %d element", 100.0 * s.cortex_share, o.cortex->tag);
    if (!o.cortex->surface)
      std::printf("; moved inside: %zu along the normal, %zu to an element's centre", s.moved_along_normal,
                  s.moved_to_element);
    std::printf(")");
  }
  if (o.current) std::printf(", reference area %.6g mm^2", s.reference_area);
  if (s.cap_electrodes) std::printf(", cap of %zu electrodes", s.cap_electrodes);
  std::printf("\n");
  for (const std::string& w : s.warnings) std::fprintf(stderr, "headmesh: warning: %s\n", w.c_str());
}

void run(const ExportOptions& o) {
  const Results r = read_results(o.dir, o.calibration);
  for (const ElectrodeCurrent& e : r.electrodes)  // before calibration, as solved
    std::printf("headmesh: electrode %d (%zu nodes at %.6g V): %.6g mA into the head as solved\n", -e.code, e.nodes,
                e.volts, 1000.0 * e.amperes);
  // every file written
  for (const std::string& file : write_results(r, o.out)) std::printf("headmesh: wrote %s\n", file.c_str());
  std::printf("headmesh: values %s\n", r.note.c_str());
}

void run(const SphereOptions& o) {
  const GmshSession gmsh;
  const SphereSummary s = make_sphere(o);
  std::printf("headmesh: wrote %s: %zu nodes, %zu tetrahedra (element size %.4g mm)\n", o.out.c_str(), s.nodes,
              s.tetrahedra, s.size);
}

void run(const HeadOptions& o) {
  const GmshSession gmsh;
  const HeadSummary s = make_head(o);
  std::printf("headmesh: wrote %s: %zu nodes, %zu tetrahedra, %zu sulci (element size %.4g mm at the cortex)\n",
              o.out.c_str(), s.nodes, s.tetrahedra, s.sulci, o.size);
}

void run(const Help& h) { std::fputs(h.text.c_str(), stdout); }

}  // namespace

int main(int argc, char** argv) {
  // a file-size limit fails a write instead of killing the run; an ending signal removes the temporaries
  textio::handle_signals();
  try {
    const Command c = parse_command(std::vector<std::string>(argv + 1, argv + argc));
    std::visit([](const auto& options) { run(options); }, c);
    return 0;
  } catch (const std::exception& e) {  // headmesh's own errors, textio's fatal errors and the rest alike
    std::fprintf(stderr, "headmesh: %s\n", e.what());
  } catch (const std::string& e) {  // what gmsh throws
    std::fprintf(stderr, "headmesh: gmsh: %s\n", e.substr(0, e.find('\n')).c_str());
  }
  return 1;
}
