#include "leadfield/electrodes_file.h"

#include <filesystem>
#include <optional>
#include <set>

#include "leadfield/error.h"
#include "textio/reader.h"

namespace leadfield {

namespace {

std::string trimmed(const std::string& s) {
  const auto end = s.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

}  // namespace

std::vector<Electrode> read_electrodes(const std::string& dir, std::int32_t nnode) {
  const std::string path = (std::filesystem::path(dir) / "electrodes.dat").string();
  std::optional<textio::Reader> opened = textio::Reader::try_open(path, 1);
  if (!opened)
    throw Error(path + ": no electrodes file; make one with headmesh import MESH --out " + dir +
                " --positions CAP.csv");
  textio::Reader& rd = *opened;
  const auto reject = [&rd](const std::string& what) {
    throw Error(rd.name() + ", record " + std::to_string(rd.record()) + ": " + what);
  };
  std::int32_t count = 0;
  rd.read(count);
  if (count < 2) reject("a cap needs at least two electrodes, found " + std::to_string(count));
  std::vector<Electrode> cap(static_cast<std::size_t>(count));
  std::vector<std::int32_t> owner(static_cast<std::size_t>(nnode) + 1, -1);
  std::set<std::string> names;
  // each electrode: its header statement, then its nodes
  for (std::int32_t k = 0; k < count; ++k) {
    Electrode& el = cap[k];
    std::string name;
    std::int32_t n = 0;
    rd.read(textio::Str{name, 64}, el.centre[0], el.centre[1], el.centre[2], el.area, n);
    el.name = trimmed(name);
    if (el.name.empty()) reject("electrode " + std::to_string(k + 1) + " has no name");
    if (!names.insert(el.name).second) reject("electrode name " + el.name + " appears twice");
    if (n < 1 || n > nnode) reject("electrode " + el.name + " has " + std::to_string(n) + " nodes");
    el.nodes.resize(static_cast<std::size_t>(n));
    rd.begin();
    for (std::int32_t& v : el.nodes) {
      rd.get(v);
      if (v < 1 || v > nnode) reject("node " + std::to_string(v) + " of electrode " + el.name + " is not a node");
      if (owner[v] >= 0) reject("node " + std::to_string(v) + " belongs to " + cap[owner[v]].name + " and " + el.name);
      owner[v] = k;
    }
  }
  return cap;
}

}  // namespace leadfield
