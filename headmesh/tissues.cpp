#include "headmesh/tissues.h"

#include <algorithm>
#include <string>

#include "headmesh/error.h"

namespace headmesh {

namespace {

std::string tag_list(const std::vector<int>& tags) {
  std::string s;
  // the tags, blank-separated
  for (int tag : tags) {
    if (!s.empty()) s += ' ';
    s += std::to_string(tag);
  }
  return s;
}

}  // namespace

const std::map<int, double>& standard_conductivities() {
  static const std::map<int, double> table = {{1, 0.126}, {2, 0.275}, {3, 1.654}, {4, 0.010},
                                              {5, 0.465}, {6, 0.5},   {7, 0.008}, {8, 0.025},
                                              {9, 0.6},   {10, 0.16}};
  return table;
}

Tissues make_tissues(std::vector<int> found, const std::map<int, double>& given) {
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  Tissues t;
  std::string missing;
  // every tag found, in ascending order, becomes the next material
  for (int tag : found) {
    const auto* table = given.count(tag) ? &given : &standard_conductivities();
    if (!table->count(tag)) {
      missing += missing.empty() ? std::to_string(tag) : ", " + std::to_string(tag);
      continue;
    }
    t.tag.push_back(tag);
    t.sigma.push_back(table->at(tag));
    t.material[tag] = static_cast<int>(t.tag.size());
  }
  if (!missing.empty())
    throw Error("no conductivity for the volume tag(s) " + missing + " (tags found: " + tag_list(found) +
                "); give one with --sigma TAG=S/m");
  // a --sigma for a tag the mesh does not have is most likely a typing error
  for (const auto& [tag, sigma] : given)
    if (!t.material.count(tag))
      throw Error("--sigma names the volume tag " + std::to_string(tag) +
                  ", which the mesh does not have (tags found: " + tag_list(found) + ")");
  return t;
}

}  // namespace headmesh
