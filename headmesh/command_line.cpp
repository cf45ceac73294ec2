#include "headmesh/command_line.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <set>
#include <sstream>

#include "headmesh/error.h"
#include "shared/command_args.h"
#include "headmesh/tissues.h"

namespace headmesh {

namespace {

const char* const usage =
    "usage: headmesh import MESH --out DIR [options]    a gmsh mesh to a model directory\n"
    "       headmesh export DIR --out FILE.vtu|FILE.msh  a solved model to ParaView or gmsh\n"
    "       headmesh sphere --out FILE.msh [options]     a nested-sphere test mesh\n"
    "       headmesh head --out FILE.msh [options]       an anatomical-like test head\n"
    "       headmesh VERB --help                         the options of a verb\n";

std::string import_help() {
  std::string s =
      "usage: headmesh import MESH --out DIR [options]\n"
      "Reads MESH, a gmsh .msh file of version 2.2 or 4.1, ASCII or binary (nothing else: the\n"
      "file is checked as a mesh before gmsh opens it), and writes the model files setting.dta,\n"
      "xyz.dat, elem.dat, prop.dat, bval.dat, bcp.dat and headmesh.map into DIR, plus cortex.dat,\n"
      "ele_size.txt and electrodes.dat when asked. Every first-order tetrahedron becomes an\n"
      "element; its volume physical tag is its tissue, and the tags become the materials 1, 2,\n"
      "... in ascending order.\n"
      "Nothing is written into DIR when the mesh or an option is rejected. A DIR that holds an\n"
      "earlier model is re-used: with the new files, import removes that model's files it does\n"
      "not replace (POTENT.OUT, irowjcol.da0, cortexfield.out/.tec/.ply, the pictures\n"
      "cortexfield.png, cortexnormal.png and convergence.png, leadfield.h5, and cortex.dat,\n"
      "ele_size.txt and electrodes.dat when not asked for), all in one step or not at all;\n"
      "other files stay.\n"
      "  --sigma TAG=S/m       conductivity of a volume tag (repeatable)\n"
      "  --electrode TAG=V     hold every node of the elements of a surface tag (or, when no\n"
      "                        surface has it, a volume tag) at V volts (repeatable)\n"
      "  --patch X,Y,Z,R=V     hold the outer-surface nodes within R mm of (X,Y,Z) at V volts\n"
      "                        (repeatable). The first electrode is the reference (code -1);\n"
      "                        electrodes at the same potential share its entry\n"
      "  --positions CAP.csv   write electrodes.dat for leadfield: rows NAME,X,Y,Z or\n"
      "                        Electrode,X,Y,Z,NAME (mm); each electrode is the outer-surface\n"
      "                        patch within --electrode-radius MM (default 5) of its position\n"
      "  --cortex TAG          the triangles of a surface tag become cortex.dat\n"
      "  --cortex-of TAG[:FACING]  the outer (pial) side of a volume tag becomes cortex.dat: its\n"
      "                        faces against the tissues it does not enclose (or against FACING),\n"
      "                        each point moved into the tissue along the normal by half its\n"
      "                        thickness (at most an edge), so that it samples the tissue; the\n"
      "                        share that does is printed\n"
      "  --surface             with --cortex-of: the whole boundary of the tag, where it lies\n"
      "  --current MA          write ele_size.txt: the reference electrode's contact area (mm^2)\n"
      "                        and the current (mA)\n"
      "  --units mm|cm|m       the mesh's length unit (default mm); the model is written in mm,\n"
      "                        as cortexmap takes it, and so are --patch, --positions and the\n"
      "                        reference area\n"
      "  --keep-order          keep the mesh's node order (ascending node tags)\n"
      "  --order hilbert|rcm   the node order written: along a Hilbert curve (the default) or\n"
      "                        reverse Cuthill-McKee, which sometimes slows the solver badly\n"
      "Without --sigma, a tag takes the standard tissue value of the field's common\n"
      "head-meshing pipelines:\n";
  static const char* const names[] = {"",      "white matter", "grey matter", "CSF",   "bone",  "scalp",
                                      "eyes",  "compact bone", "spongy bone", "blood", "muscle"};
  for (const auto& [tag, sigma] : standard_conductivities()) {  // one line per tag
    char buf[64];
    std::snprintf(buf, sizeof buf, "  %2d %-14s %.3f S/m\n", tag, tag < 11 ? names[tag] : "", sigma);
    s += buf;
  }
  return s;
}

const char* const export_help =
    "usage: headmesh export DIR --out FILE [--calibration exact|cortexmap]\n"
    "Reads the model files of DIR, POTENT.OUT and, when present, ele_size.txt, headmesh.map,\n"
    "cortex.dat and cortexfield.out, prints the current through every held electrode (the\n"
    "reaction current of the solution: the rows of its held nodes times the potentials), and\n"
    "writes the potential (per node), the field and current density vectors, |E|, |J|, the\n"
    "power density and the tissue tag (per element); on the cortex |E|, |J|, the power density,\n"
    "the unit normal into the cortex and the normal components of E and J (positive into the\n"
    "cortex: the normal points away from the side the triangles' corners run counter-clockwise\n"
    "on, as headmesh import writes them). With ele_size.txt the values are calibrated:\n"
    "  --calibration exact      (default) the reference electrode (code -1) carries exactly the\n"
    "                           current of ele_size.txt\n"
    "  --calibration cortexmap  cortexmap's factor: the mean node-averaged |J| over the reference\n"
    "                           electrode's nodes is the current over the reference area\n"
    "The files give the factor applied and both factors.\n"
    "  FILE.vtu   VTK unstructured grid for ParaView; the cortex goes to FILE_cortex.vtu\n"
    "  FILE.msh   gmsh mesh with views, nodes and elements numbered 1, 2, ... with the mesh's own\n"
    "             tags (headmesh.map) as views; the cortex goes to FILE_cortex.msh\n";

const char* const sphere_help =
    "usage: headmesh sphere --out FILE.msh [--size MM | --nodes N] [--format 2.2|4.1] [--binary]\n"
    "Meshes four nested spheres with gmsh: volume tags 2 grey matter (radius 80 mm), 3 CSF\n"
    "(82 mm), 4 bone (88 mm), 5 scalp (92 mm); surface tag 1000 + t on the outer boundary of the\n"
    "shell with volume tag t. The same options give the same mesh.\n"
    "  --size MM        element edge length, 0.5 to 20 (default: the size for about 10,000 nodes)\n"
    "  --nodes N        about N nodes\n"
    "  --format V       .msh format version (default 4.1)\n"
    "  --binary         binary .msh (default ASCII)\n";

const char* const head_help =
    "usage: headmesh head --out FILE.msh [--size MM] [--format 2.2|4.1] [--binary]\n"
    "Meshes an anatomical-like head with gmsh (millimetres, x right, y front, z up), cut flat\n"
    "at z = -40 mm: volume tags 1 white matter, 2 grey matter (outer surface folded by sulci\n"
    "1.6 mm wide), 3 CSF, 4 bone (5 to 9 mm thick), 5 scalp. The same options give the same mesh.\n"
    "  --size MM        element edge at the cortex, 3 times that far from it (default 3.2:\n"
    "                   about 30,000 nodes)\n"
    "  --format V       .msh format version (default 4.1)\n"
    "  --binary         binary .msh (default ASCII)\n";

using command_args::Args;
using command_args::real_value;

// A number that goes into the model files: it must keep its value in their
// 32-bit reals, neither overflowing nor vanishing to zero.
double file_real(const std::string& option, const std::string& text) {
  const double v = real_value(option, text);
  if (std::fabs(v) > FLT_MAX || (v != 0.0 && std::fabs(v) < FLT_MIN))
    throw Error(option + ": '" + text + "' lies outside the range of the 32-bit reals of the model files");
  return v;
}

int int_value(const std::string& option, const std::string& text) {
  const double v = real_value(option, text);
  if (v != std::floor(v) || std::fabs(v) > INT_MAX) throw Error(option + ": '" + text + "' is not an integer");
  return static_cast<int>(v);
}

// The value of --electrode TAG=VOLTS (patch false) or --patch X,Y,Z,R=VOLTS.
ElectrodeOption parse_electrode(const std::string& option, const std::string& text) {
  ElectrodeOption s;
  s.text = option + " " + text;
  s.patch = option == "--patch";
  const auto eq = text.rfind('=');
  if (eq == std::string::npos) throw Error(s.text + ": expected " + (s.patch ? "X,Y,Z,R=VOLTS" : "TAG=VOLTS"));
  s.volts = file_real(option, text.substr(eq + 1));
  std::vector<std::string> words;
  std::stringstream in(text.substr(0, eq));
  for (std::string w; std::getline(in, w, ',');) words.push_back(w);  // the comma-separated words before '='
  if (!s.patch) {
    if (words.size() != 1) throw Error(s.text + ": expected TAG=VOLTS");
    s.tag = int_value(option, words[0]);
    return s;
  }
  if (words.size() != 4) throw Error(s.text + ": expected X,Y,Z,R=VOLTS");
  for (int a = 0; a < 3; ++a) s.centre[a] = real_value(option, words[a]);
  s.radius = real_value(option, words[3]);
  if (s.radius <= 0.0) throw Error(s.text + ": the radius must be positive");
  return s;
}

ImportOptions parse_import(Args a) {
  ImportOptions o;
  bool surface = false;
  // every option of the verb; the one word without a dash is MESH
  while (!a.done()) {
    const std::string& w = a.next();
    if (w == "--out") {
      a.once(w);
      o.out = a.value(w);
    } else if (w == "--sigma") {
      const std::string& v = a.value(w);
      const auto eq = v.find('=');
      if (eq == std::string::npos) throw Error("--sigma " + v + ": expected TAG=S/m");
      const double sigma = file_real(w, v.substr(eq + 1));
      if (sigma <= 0.0) throw Error("--sigma " + v + ": the conductivity must be positive");
      if (!o.sigma.emplace(int_value(w, v.substr(0, eq)), sigma).second)
        throw Error("--sigma " + v + ": give each tag's conductivity once");
    } else if (w == "--electrode" || w == "--patch") {
      o.electrodes.push_back(parse_electrode(w, a.value(w)));
    } else if (w == "--positions") {
      a.once(w);
      o.positions = a.value(w);
    } else if (w == "--electrode-radius") {
      a.once(w);
      o.electrode_radius = real_value(w, a.value(w));
      if (o.electrode_radius <= 0.0) throw Error("--electrode-radius must be positive");
    } else if (w == "--cortex" || w == "--cortex-of") {
      if (o.cortex) throw Error("give one of --cortex and --cortex-of, once");
      const std::string& v = a.value(w);
      CortexRequest c;
      c.of_volume = w == "--cortex-of";
      const auto colon = c.of_volume ? v.find(':') : std::string::npos;
      c.tag = int_value(w, v.substr(0, colon));
      if (colon != std::string::npos) c.facing = int_value(w, v.substr(colon + 1));
      if (c.facing == c.tag) throw Error(w + " " + v + ": a tissue cannot face itself");
      o.cortex = c;
    } else if (w == "--surface") {
      a.once(w);
      surface = true;
    } else if (w == "--current") {
      a.once(w);
      o.current = file_real(w, a.value(w));
      if (*o.current <= 0.0) throw Error("--current must be positive (a current of 0 gives no field)");
    } else if (w == "--units") {
      a.once(w);
      const std::string& v = a.value(w);
      if (v != "mm" && v != "cm" && v != "m") throw Error("--units must be mm, cm or m");
      o.millimetres = v == "m" ? 1000.0 : v == "cm" ? 10.0 : 1.0;
    } else if (w == "--keep-order") {
      a.once("--keep-order or --order");
      o.order = NodeOrder::keep;
    } else if (w == "--order") {
      a.once("--keep-order or --order");
      const std::string& v = a.value(w);
      if (v != "hilbert" && v != "rcm") throw Error("--order must be hilbert or rcm");
      o.order = v == "hilbert" ? NodeOrder::hilbert : NodeOrder::rcm;
    } else if (w.rfind("-", 0) != 0) {
      a.once("one MESH");
      o.mesh = w;
    } else {
      throw Error("import: unknown option " + w + " (see headmesh import --help)");
    }
  }
  if (o.mesh.empty() || o.out.empty()) throw Error("import needs MESH and --out DIR (see headmesh import --help)");
  if (surface && !(o.cortex && o.cortex->of_volume && !o.cortex->facing))
    throw Error("--surface goes with --cortex-of TAG (without :FACING)");
  if (o.cortex) o.cortex->surface = surface;
  return o;
}

ExportOptions parse_export(Args a) {
  ExportOptions o;
  // DIR and --out FILE
  while (!a.done()) {
    const std::string& w = a.next();
    if (w == "--out") {
      a.once(w);
      o.out = a.value(w);
    } else if (w == "--calibration") {
      a.once(w);
      const std::string& v = a.value(w);
      if (v != "exact" && v != "cortexmap") throw Error("--calibration must be exact or cortexmap");
      o.calibration = v == "exact" ? Calibration::exact : Calibration::cortexmap;
    } else if (w.rfind("-", 0) != 0) {
      a.once("one DIR");
      o.dir = w;
    } else {
      throw Error("export: unknown option " + w + " (see headmesh export --help)");
    }
  }
  if (o.dir.empty() || o.out.empty()) throw Error("export needs DIR and --out FILE (see headmesh export --help)");
  return o;
}

// --out, --size, --format and --binary of the verbs that make a test mesh;
// false for another option.
template <class Options>
bool test_mesh_option(Args& a, const std::string& w, Options& o) {
  if (w == "--out")
    o.out = a.value(w);
  else if (w == "--size") {
    o.size = real_value(w, a.value(w));
    if (o.size <= 0.0) throw Error("--size must be positive");
  } else if (w == "--format")
    o.format = a.value(w);
  else if (w == "--binary")
    o.binary = true;
  else
    return false;
  return true;
}

SphereOptions parse_sphere(Args a) {
  SphereOptions o;
  // every option of the verb
  while (!a.done()) {
    const std::string& w = a.next();
    a.once(w == "--size" || w == "--nodes" ? "one of --size and --nodes," : w);
    if (test_mesh_option(a, w, o)) continue;
    if (w != "--nodes") throw Error("sphere: unknown option " + w + " (see headmesh sphere --help)");
    o.nodes = int_value(w, a.value(w));
    if (o.nodes <= 0) throw Error("--nodes must be positive");
  }
  if (o.out.empty()) throw Error("sphere needs --out FILE.msh");
  return o;
}

HeadOptions parse_head(Args a) {
  HeadOptions o;
  // every option of the verb
  while (!a.done()) {
    const std::string& w = a.next();
    a.once(w);
    if (!test_mesh_option(a, w, o)) throw Error("head: unknown option " + w + " (see headmesh head --help)");
  }
  if (o.out.empty()) throw Error("head needs --out FILE.msh");
  return o;
}

}  // namespace

Command parse_command(const std::vector<std::string>& args) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h") return Help{usage};
  const std::string& verb = args[0];
  const bool help = args.size() > 1 && (args[1] == "--help" || args[1] == "-h");
  if (verb == "import") return help ? Command(Help{import_help()}) : Command(parse_import(Args(args, 1)));
  if (verb == "export") return help ? Command(Help{export_help}) : Command(parse_export(Args(args, 1)));
  if (verb == "sphere") return help ? Command(Help{sphere_help}) : Command(parse_sphere(Args(args, 1)));
  if (verb == "head") return help ? Command(Help{head_help}) : Command(parse_head(Args(args, 1)));
  throw Error("unknown verb " + verb + "\n" + usage);
}

}  // namespace headmesh
