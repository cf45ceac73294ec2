// makemodel: writes a complete model directory for potsolve and cortexmap.
//
//   makemodel sphere --out DIR [--size demo]     four-shell head phantom
//   makemodel slab   --out DIR                   layered slab, exact solution
//   makemodel brick  --out DIR                   homogeneous brick, exact solution
//
// The same options always give byte-identical files.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "brick.h"
#include "checks.h"
#include "shared/model_writer.h"
#include "slab.h"
#include "sphere.h"

namespace makemodel {

namespace {

const char* const usage = R"(usage: makemodel MODEL --out DIR [options]

Writes setting.dta, xyz.dat, elem.dat, prop.dat, bval.dat, bcp.dat,
ele_size.txt and cortex.dat into DIR (created when missing) and removes a
stale irowjcol.da0 there. Lengths are in mm; setting.dta scales them to m.

Models:
  sphere   four-shell head phantom: brain 0.33, CSF 1.65, skull 0.01 and scalp
           0.465 S/m, radii 80, 82, 88, 92 mm; a cubed sphere of seven
           blocks of cubes of six tetrahedra each, every shell surface a
           layer of nodes; anode square about +z at +1 V (code -1, 37 mm,
           1289 mm^2), a cathode of four times its area about -z at 0 V
           (code -2); cortex: a triangulated sphere of radius 70 mm
  slab     layers stacked along x, the end faces at +1 V (code -1) and 0 V
           (code -2); the exact potential is piecewise linear
  brick    homogeneous brick, every surface node at the exact potential of a
           uniform oblique field

Options:
  --out DIR           directory to write (required)
  --size NAME         sphere grid, by cubes along the central cube's edge:
                      tiny (8: 3,431 nodes), demo (16: 26,445 nodes), full
                      (24: 88,243 nodes, 518,400 elements); default demo
  --divisions N       cubes along the central cube's edge, a multiple of 8,
                      overriding --size
  --step MM           grid step (slab, brick; default 2)
  --cortex-level N    refinements of the cortical icosphere (sphere)
  --current MA        reference current of ele_size.txt (default 2.0)
  --volts V           potential of the code -1 nodes (default 1)
  --layers T:S,...    slab layers: thickness in mm and conductivity in S/m
                      (default 8:1.5,12:0.375,8:0.75)
  --width MM          slab cross-section edge (default 8)
  --cells NX,NY,NZ    brick cubes along x, y, z (default 8,6,4)
  --sigma S           brick conductivity (default 0.75)
  --scale S           coordinate factor written to setting.dta (default 0.001,
                      mm to m as cortexmap assumes)
  --beyond-capacity   allow a model beyond the capacities the programs are built with
                      (by default 100,000 nodes, 550,000 elements, 2,000,000 stored terms)
  --quiet             no summary
  --help              this text

Exit status: 0 written, 1 rejected options or a model that fails its checks.
)";

struct Size {
  int divisions;
  int cortex_level;
};
const std::map<std::string, Size> sizes = {
    {"tiny", {8, 3}}, {"demo", {16, 4}}, {"full", {24, 4}}};

double number(const std::string& opt, const std::string& text) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0') throw std::invalid_argument(opt + " needs a number, not '" + text + "'");
  return v;
}

int whole(const std::string& opt, const std::string& text) {
  const double v = number(opt, text);
  if (v != static_cast<int>(v)) throw std::invalid_argument(opt + " needs a whole number");
  return static_cast<int>(v);
}

// Splits "a,b,c" at the commas.
std::vector<std::string> split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  // one part per separator, and the rest
  for (std::size_t at; (at = text.find(sep, start)) != std::string::npos; start = at + 1)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

int run(int argc, char** argv) {
  std::map<std::string, std::string> opt;
  std::string kind;
  bool beyond = false, quiet = false;
  // the model name and the options with their values
  for (int a = 1; a < argc; ++a) {
    const std::string arg = argv[a];
    if (arg == "--help" || arg == "-h") {
      std::fputs(usage, stdout);
      return 0;
    }
    if (arg == "--beyond-capacity") beyond = true;
    else if (arg == "--quiet") quiet = true;
    else if (arg.rfind("--", 0) == 0) {
      const auto eq = arg.find('=');
      if (eq != std::string::npos) opt[arg.substr(0, eq)] = arg.substr(eq + 1);
      else if (a + 1 < argc) opt[arg] = argv[++a];
      else throw std::invalid_argument(arg + " needs a value");
    } else if (kind.empty()) kind = arg;
    else throw std::invalid_argument("unexpected argument '" + arg + "'");
  }
  if (kind.empty()) throw std::invalid_argument("no model named (sphere, slab or brick)");
  if (!opt.count("--out")) throw std::invalid_argument("--out DIR is required");
  static const char* const known[] = {"--out", "--size", "--divisions", "--step", "--cortex-level", "--current", "--volts", "--layers", "--width",
                                      "--cells", "--sigma", "--scale"};
  // reject options this program does not know
  for (const auto& [name, value] : opt) {
    bool ok = false;
    for (const char* k : known) ok = ok || name == k;
    if (!ok) throw std::invalid_argument("unknown option " + name);
  }
  auto get = [&](const char* name, double fallback) { return opt.count(name) ? number(name, opt[name]) : fallback; };

  Model model;
  ExpectedMaterial expected = [](const std::array<double, 3>&) { return 1; };
  if (kind == "sphere") {
    SphereOptions o;
    const std::string size = opt.count("--size") ? opt["--size"] : "demo";
    if (!sizes.count(size)) throw std::invalid_argument("unknown size '" + size + "'");
    o.divisions = sizes.at(size).divisions;
    if (opt.count("--divisions")) o.divisions = whole("--divisions", opt["--divisions"]);
    if (o.divisions < 8 || o.divisions > 200 || o.divisions % 8)
      throw std::invalid_argument("--divisions must be a multiple of 8 in 8..200");
    o.cortex_level = opt.count("--cortex-level") ? whole("--cortex-level", opt["--cortex-level"])
                                                 : sizes.at(size).cortex_level;
    if (o.cortex_level < 0 || o.cortex_level > 7) throw std::invalid_argument("--cortex-level must lie in 0..7");
    o.current = get("--current", o.current);
    o.volts = get("--volts", o.volts);
    model = sphere_model(o);
  } else if (kind == "slab") {
    SlabOptions o;
    o.step = get("--step", o.step);
    o.width = get("--width", o.width);
    o.volts = get("--volts", o.volts);
    o.current = get("--current", o.current);
    if (opt.count("--layers")) {
      o.layers.clear();
      // one thickness:conductivity pair per layer
      for (const auto& part : split(opt["--layers"], ',')) {
        const auto ts = split(part, ':');
        if (ts.size() != 2) throw std::invalid_argument("--layers needs thickness:conductivity pairs");
        o.layers.push_back({number("--layers", ts[0]), number("--layers", ts[1])});
      }
    }
    model = slab_model(o);
    expected = [o](const std::array<double, 3>& p) { return layer_of(o, p[0]); };
  } else if (kind == "brick") {
    BrickOptions o;
    o.step = get("--step", o.step);
    o.sigma = get("--sigma", o.sigma);
    o.volts = get("--volts", o.volts);
    o.current = get("--current", o.current);
    if (opt.count("--cells")) {
      const auto c = split(opt["--cells"], ',');
      if (c.size() != 3) throw std::invalid_argument("--cells needs NX,NY,NZ");
      for (int d = 0; d < 3; ++d) o.cells[d] = whole("--cells", c[d]);
    }
    model = brick_model(o);
  } else {
    throw std::invalid_argument("unknown model '" + kind + "' (sphere, slab or brick)");
  }
  model.scale = get("--scale", model.scale);
  if (!(model.scale > 0.0)) throw std::invalid_argument("--scale must be positive");

  const Capacity cap;
  check_model(model, expected, beyond ? nullptr : &cap);
  model_files::write_model(model, opt["--out"]);
  if (!quiet) {
    std::int64_t anode = 0;
    // the nodes cortexmap calibrates on
    for (const auto& [node, code] : model.bcp) anode += code == -1 || code == 1;
    std::printf("%s model in %s: %zu nodes, %zu elements, %lld stored matrix terms,\n"
                "  %zu fixed nodes (%lld at code -1), %zu cortical points, %zu triangles\n",
                kind.c_str(), opt["--out"].c_str(), model.xyz.size(), model.elem.size(),
                static_cast<long long>(stored_terms(model)), model.bcp.size(), static_cast<long long>(anode),
                model.cortex.size(), model.tri.size());
  }
  return 0;
}

}  // namespace

}  // namespace makemodel

int main(int argc, char** argv) {
  try {
    return makemodel::run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "makemodel: %s\n", e.what());
    return 1;
  }
}
