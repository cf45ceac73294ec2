#include "potsolve/model_input.h"

#include <cstdint>
#include <optional>
#include <string>

#include "potsolve/settings.h"
#include "shared/model_files.h"
#include "textio/reader.h"

namespace potsolve {
namespace {

// Opens a model file from the data directory; one that cannot be opened is missing.
textio::Reader open_model_file(const ModelStore& m, const char* name) {
  const std::string path = model_path(m, name);
  std::optional<textio::Reader> rd = textio::Reader::try_open(path, 1);
  if (!rd) throw ModelFileMissing{path};
  return std::move(*rd);
}

std::string num(std::int32_t v) { return std::to_string(v); }

// A value out of range in the solver's words.
std::string wording(const model_files::OutOfRange& v) {
  using O = model_files::OutOfRange;
  const std::string range = num(v.lo) + " .. " + num(v.hi);
  switch (v.what) {
    case O::node_count: return "node count " + num(v.found) + " outside " + range;
    case O::element_count: return "element count " + num(v.found) + " outside " + range;
    case O::material_count: return "material count " + num(v.found) + " outside " + range;
    case O::value_count: return "prescribed potential count " + num(v.found) + " outside " + range;
    case O::entry_count: return "entry count " + num(v.found) + " is negative";
    case O::coordinate: return "coordinate of node " + num(v.item) + " times the scale overflows";
    case O::corner:
      return "corner " + num(v.found) + " of element " + num(v.item) + " is not a node (" + range + ")";
    case O::material:
      return "material " + num(v.found) + " of element " + num(v.item) + " outside " + range;
    case O::entry_node: return "node " + num(v.found) + " outside " + range;
    case O::entry_code: break;
  }
  return "code " + num(v.found) + " names no prescribed potential (at most " + num(-v.lo) + ")";
}

// The solver's capacities and wording: coordinates times scale that must stay
// within 32 bits, values checked once their record is read, no capacity for the
// entries of bcp.dat.
model_files::ModelRules solver_rules(float scale) {
  return {.max_nodes = maxnode, .max_elements = maxelem, .max_materials = maxmat, .max_values = maxbval,
          .max_entries = INT32_MAX, .lowest_code = -maxbval, .factor = scale, .check_overflow = true,
          .check_as_read = false, .null_repeats_previous = false,
          .reject = [](const textio::Reader& rd, const model_files::OutOfRange& v) { rd.reject(wording(v)); }};
}

}  // namespace

void read_model(ModelStore& m, const std::function<void(const char* name)>& announce) {
  using namespace model_files;
  const ModelRules rules = solver_rules(m.scale);
  using Reading = std::function<void(textio::Reader&)>;
  const std::pair<const char*, Reading> files[] = {
      {"xyz.dat", [&](textio::Reader& rd) {
         m.xyz.clear();  // sized by the node count
         m.nnode = read_nodes(rd, rules, m.xyz);
       }},
      {"elem.dat", [&](textio::Reader& rd) { m.nelem = read_elements(rd, rules, m.nnode, m.ielem, m.imat); }},
      {"prop.dat", [&](textio::Reader& rd) { read_reals(rd, rules, OutOfRange::material_count, m.prop); }},
      {"bval.dat", [&](textio::Reader& rd) { m.nbval = read_reals(rd, rules, OutOfRange::value_count, m.bval); }},
      {"bcp.dat", [&](textio::Reader& rd) {
         // the codes scattered into a per-node table: a later entry for a node wins
         m.bcp.assign(static_cast<std::size_t>(m.nnode) + 1, 0);
         read_entries(rd, rules, m.nnode, [&](std::int32_t node, std::int32_t code) { m.bcp[node] = code; });
       }}};
  // each file in turn, announced first
  for (const auto& [name, read] : files) {
    if (announce) announce(name);
    textio::Reader rd = open_model_file(m, name);
    read(rd);
  }
}

void derive_conductivities(ModelStore& m) {
  m.sigel.assign(static_cast<std::size_t>(m.nelem) + 1, 0.0f);
  // the conductivity of each element is that of its material
  for (std::int32_t e = 1; e <= m.nelem; ++e) m.sigel[e] = m.prop[m.imat[e]];
}

void read_model_dir(ModelStore& m, const std::string& dir, const std::function<void(const char* name)>& announce) {
  m.home = dir;
  read_settings(m, model_path(m, "setting.dta"));
  read_model(m, announce);
}

}  // namespace potsolve
