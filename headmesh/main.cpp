// headmesh: gmsh head meshes in as model directories, solved fields out to
// gmsh and ParaView, and nested-sphere test meshes.
#include <cstdio>
#include <string>
#include <vector>

#include "headmesh/command_line.h"
#include "headmesh/error.h"
#include "headmesh/export.h"
#include "headmesh/gmsh_session.h"
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
  if (o.current) std::printf(", reference area %.6g mm^2", s.reference_area);
  std::printf("\n");
  for (const std::string& w : s.warnings) std::fprintf(stderr, "headmesh: warning: %s\n", w.c_str());
}

void run(const ExportOptions& o) {
  const Results r = read_results(o.dir);
  // every file written
  for (const std::string& file : write_results(r, o.out)) std::printf("headmesh: wrote %s\n", file.c_str());
  std::printf("headmesh: values %s\n", r.calibration.c_str());
}

void run(const SphereOptions& o) {
  const GmshSession gmsh;
  const SphereSummary s = make_sphere(o);
  std::printf("headmesh: wrote %s: %zu nodes, %zu tetrahedra (element size %.4g mm)\n", o.out.c_str(), s.nodes,
              s.tetrahedra, s.size);
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
  } catch (const Error& e) {
    std::fprintf(stderr, "headmesh: %s\n", e.what());
  } catch (const textio::FatalError& e) {
    std::fprintf(stderr, "headmesh: %s\n", e.what());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "headmesh: %s\n", e.what());
  } catch (const std::string& e) {  // what gmsh throws
    std::fprintf(stderr, "headmesh: gmsh: %s\n", e.substr(0, e.find('\n')).c_str());
  }
  return 1;
}
