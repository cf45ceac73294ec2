#include "headmesh/positions.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

#include "headmesh/error.h"
#include "headmesh/outer_surface.h"
#include "textio/record.h"

namespace headmesh {

namespace {

std::string trim(const std::string& s) {
  const auto a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

bool number(const std::string& text, double& v) {
  std::size_t used = 0;
  try {
    v = std::stod(text, &used);
  } catch (...) {
    return false;
  }
  return used == text.size() && std::isfinite(v);
}

}  // namespace

std::vector<CapElectrode> read_positions(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw Error(path + ": cannot open the positions file");
  std::vector<CapElectrode> cap;
  std::set<std::string> names;
  std::string text;
  // every row: its comma-separated fields
  for (long row = 1; std::getline(in, text); ++row) {
    std::vector<std::string> f;
    std::stringstream words(text);
    for (std::string w; std::getline(words, w, ',');) f.push_back(trim(w));
    if (f.empty() || (f.size() == 1 && f[0].empty())) continue;
    const bool labelled = f.size() == 5 && f[0] == "Electrode";
    if (f.size() == 5 && !labelled) continue;  // fiducials and the like
    const std::string where = path + ", row " + std::to_string(row) + ": ";
    if (f.size() != 4 && !labelled) throw Error(where + "expected NAME,X,Y,Z or Electrode,X,Y,Z,NAME");
    CapElectrode e;
    e.name = labelled ? f[4] : f[0];
    for (int a = 0; a < 3; ++a)
      if (!number(f[1 + a], e.centre[a])) throw Error(where + "'" + f[1 + a] + "' is not a coordinate");
    if (e.name.empty() || e.name.size() > 64 || e.name.find_first_of(" '\"/") != std::string::npos)
      throw Error(where + "the electrode name '" + e.name + "' is empty, longer than 64 characters, or holds a blank, quote or slash");
    if (!names.insert(e.name).second) throw Error(where + "the electrode name " + e.name + " appears twice");
    cap.push_back(std::move(e));
  }
  if (cap.size() < 2) throw Error(path + ": a cap needs at least two electrodes");
  return cap;
}

void place_cap(std::vector<CapElectrode>& cap, const SourceMesh& mesh, const std::vector<Tri>& outer, double radius) {
  std::vector<std::int32_t> owner(mesh.node_tag.size(), -1);
  for (std::size_t k = 0; k < cap.size(); ++k) {
    CapElectrode& e = cap[k];
    // the outer-surface corners within the radius
    for (const Tri& t : outer)
      for (std::int32_t i : t) {
        const double* p = &mesh.xyz[3 * static_cast<std::size_t>(i)];
        if (std::hypot(p[0] - e.centre[0], p[1] - e.centre[1], p[2] - e.centre[2]) <= radius) e.nodes.push_back(i);
      }
    std::sort(e.nodes.begin(), e.nodes.end());
    e.nodes.erase(std::unique(e.nodes.begin(), e.nodes.end()), e.nodes.end());
    if (e.nodes.empty())
      throw Error("electrode " + e.name + ": no outer-surface node lies within " + std::to_string(radius) +
                  " mm of its position");
    for (std::int32_t i : e.nodes) {
      if (owner[i] >= 0)
        throw Error("electrodes " + cap[owner[i]].name + " and " + e.name + " overlap at node " +
                    std::to_string(mesh.node_tag[i]) + " (move them apart or lower --electrode-radius)");
      owner[i] = static_cast<std::int32_t>(k);
    }
  }
  // contact areas: a third of each outer triangle per corner held
  for (const Tri& t : outer)
    for (std::int32_t i : t)
      if (owner[i] >= 0) cap[owner[i]].area += triangle_area(mesh.xyz, t) / 3.0;
}

void write_cap(const std::vector<CapElectrode>& cap, const std::vector<std::int32_t>& model_of, textio::OutFile& f) {
  f.record(textio::Record().text(std::to_string(cap.size())));
  for (const CapElectrode& e : cap) {
    std::vector<std::int32_t> nodes;
    for (std::int32_t i : e.nodes) nodes.push_back(model_of[i] + 1);
    std::sort(nodes.begin(), nodes.end());
    char head[200];
    std::snprintf(head, sizeof head, "'%s' %.9g %.9g %.9g %.9g %zu", e.name.c_str(), e.centre[0], e.centre[1],
                  e.centre[2], e.area, nodes.size());
    f.record(textio::Record().text(head));
    // ten node numbers per record
    for (std::size_t q = 0; q < nodes.size(); q += 10) {
      std::string text;
      for (std::size_t r = q; r < std::min(nodes.size(), q + 10); ++r) {
        if (r > q) text += ' ';
        text += std::to_string(nodes[r]);
      }
      f.record(textio::Record().text(text));
    }
  }
}

}  // namespace headmesh
