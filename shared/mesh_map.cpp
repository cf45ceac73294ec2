#include "shared/mesh_map.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "textio/record.h"

namespace mesh_map {

using Error = std::runtime_error;

namespace {

void line(textio::OutFile& f, const std::string& text) { f.record(textio::Record().text(text)); }

// A count line "WORD N" of the file, or Error.
std::size_t count_line(std::istream& in, const char* word, const std::string& path) {
  std::string w;
  long long n = -1;
  if (!(in >> w >> n) || w != word || n < 0 || n > 2147483647) throw Error(path + " is not a headmesh map: no '" + word + "' count");
  return static_cast<std::size_t>(n);
}

// Reads the tags of the model's nodes or elements; each must be a tag a mesh
// can hold (1 to 2^31 - 1), and none may appear twice.
void read_tags(std::istream& in, std::vector<std::size_t>& tags, const char* what, const std::string& path) {
  for (std::size_t k = 0; k < tags.size() && in >> tags[k]; ++k)  // one tag per model node or element
    if (tags[k] < 1 || tags[k] > 2147483647)
      throw Error(path + ": the " + what + " tag of model " + what + " " + std::to_string(k + 1) +
                  " is outside 1 to 2147483647");
  std::vector<std::size_t> sorted = tags;
  std::sort(sorted.begin(), sorted.end());
  const auto twice = std::adjacent_find(sorted.begin(), sorted.end());
  if (in && twice != sorted.end()) throw Error(path + ": the " + std::string(what) + " tag " + std::to_string(*twice) + " appears twice");
}

}  // namespace

void write_map(const MeshMap& map, textio::OutFile& f) {
  line(f, "headmesh map 1");
  line(f, "nodes " + std::to_string(map.node_tag.size()));
  for (std::size_t tag : map.node_tag) line(f, std::to_string(tag));  // one node tag per model node
  line(f, "elements " + std::to_string(map.elem_tag.size()));
  for (std::size_t tag : map.elem_tag) line(f, std::to_string(tag));  // one element tag per model element
  line(f, "materials " + std::to_string(map.material_tag.size()));
  char sigma[40];
  // material number, tag and conductivity of every material
  for (std::size_t k = 0; k < map.material_tag.size(); ++k) {
    std::snprintf(sigma, sizeof sigma, "%.9g", map.sigma[k]);
    line(f, std::to_string(k + 1) + ' ' + std::to_string(map.material_tag[k]) + ' ' + sigma);
  }
}

MeshMap read_map(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw Error("cannot read " + path);
  std::string a, b;
  int version = 0;
  if (!(in >> a >> b >> version) || a != "headmesh" || b != "map" || version != 1)
    throw Error(path + " is not a headmesh map");
  MeshMap map;
  map.node_tag.resize(count_line(in, "nodes", path));
  read_tags(in, map.node_tag, "node", path);
  map.elem_tag.resize(count_line(in, "elements", path));
  read_tags(in, map.elem_tag, "element", path);
  const std::size_t m = count_line(in, "materials", path);
  map.material_tag.resize(m);
  map.sigma.resize(m);
  std::size_t k = 0;
  // material lines
  for (std::size_t i = 0; i < m; ++i) in >> k >> map.material_tag[i] >> map.sigma[i];
  if (!in) throw Error(path + " ends early or holds a value that is not a number");
  return map;
}

}  // namespace mesh_map
