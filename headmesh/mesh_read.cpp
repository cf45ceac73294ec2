#include "headmesh/mesh_read.h"

#include <gmsh.h>

#include <algorithm>
#include <numeric>
#include <unordered_map>

#include "headmesh/error.h"
#include "headmesh/gmsh_session.h"
#include "headmesh/mesh_file_check.h"

namespace headmesh {

namespace {

constexpr int tet4 = 4;  // gmsh's type of the first-order tetrahedron
constexpr int tri3 = 2;  // and of the first-order triangle

// Node tags to 0-based node numbers: a dense table when the tags are compact,
// a hash table otherwise. Tags it does not hold give -1.
class TagIndex {
 public:
  explicit TagIndex(const std::vector<std::size_t>& tags) {
    const std::size_t top = tags.empty() ? 0 : tags.back();
    dense_ = top <= 4 * tags.size() + 1024;
    if (dense_) table_.assign(top + 1, -1);
    // one entry per tag
    for (std::size_t i = 0; i < tags.size(); ++i) {
      if (dense_)
        table_[tags[i]] = static_cast<std::int32_t>(i);
      else
        hash_.emplace(tags[i], static_cast<std::int32_t>(i));
    }
  }
  std::int32_t operator()(std::size_t tag) const {
    if (dense_) return tag < table_.size() ? table_[tag] : -1;
    const auto it = hash_.find(tag);
    return it == hash_.end() ? -1 : it->second;
  }

 private:
  bool dense_ = true;
  std::vector<std::int32_t> table_;
  std::unordered_map<std::size_t, std::int32_t> hash_;
};

// The distinct tags of used, ascending: marked in a table over the tags of
// all nodes when those are compact, sorted otherwise.
std::vector<std::size_t> used_tags(const std::vector<std::size_t>& used, const std::vector<std::size_t>& all) {
  std::size_t top = all.empty() ? 0 : *std::max_element(all.begin(), all.end());
  if (!used.empty()) top = std::max(top, *std::max_element(used.begin(), used.end()));
  std::vector<std::size_t> tags;
  if (top > 4 * all.size() + 1024) {
    tags = used;
    std::sort(tags.begin(), tags.end());
    tags.erase(std::unique(tags.begin(), tags.end()), tags.end());
    return tags;
  }
  std::vector<char> mark(top + 1, 0);
  for (std::size_t tag : used) mark[tag] = 1;  // every used tag (tags of elements are tags of nodes)
  for (std::size_t tag = 0; tag <= top; ++tag)
    if (mark[tag]) tags.push_back(tag);
  return tags;
}

// Opens path in gmsh once it has passed the file checks, or throws Error.
void open_mesh(const std::string& path) {
  check_mesh_file(path);
  try {
    gmsh::clear();
    gmsh::open(path);
  } catch (...) {
    throw Error(gmsh_error("cannot read the mesh " + path));
  }
}

// Rejects volume elements other than first-order tetrahedra.
void check_volume_types(const std::string& path) {
  std::vector<int> types;
  gmsh::model::mesh::getElementTypes(types, 3);
  // every volume element type of the mesh
  for (int type : types) {
    if (type == tet4) continue;
    std::string name;
    int dim = 0, order = 0, nodes = 0, primary = 0;
    std::vector<double> local;
    gmsh::model::mesh::getElementProperties(type, name, dim, order, nodes, local, primary);
    if (name.rfind("Tetrahedron", 0) == 0)
      throw Error(path + " holds " + name + " elements (order " + std::to_string(order) +
                  "); headmesh reads first-order tetrahedra: convert the mesh to order 1 in gmsh "
                  "(Mesh > Set order 1, or gmsh -order 1 -save) and import it again");
    throw Error(path + " holds " + name + " elements; headmesh reads first-order tetrahedra only: "
                "remesh the volumes with tetrahedra in gmsh and import it again");
  }
}

// The tetrahedra of every volume entity in one physical group, with their tags.
struct RawTets {
  std::vector<std::size_t> tags, nodes;
  std::vector<int> group;
};

RawTets tetrahedra(const std::string& path) {
  RawTets raw;
  gmsh::vectorpair entities;
  gmsh::model::getEntities(entities, 3);
  // every volume entity: its tetrahedra and its physical tag
  for (const auto& [dim, entity] : entities) {
    std::vector<std::size_t> tags, nodes;
    gmsh::model::mesh::getElementsByType(tet4, tags, nodes, entity);
    if (tags.empty()) continue;
    std::vector<int> groups;
    gmsh::model::getPhysicalGroupsForEntity(dim, entity, groups);
    if (groups.size() != 1)
      throw Error(path + ": the " + std::to_string(tags.size()) + " tetrahedra of volume " +
                  std::to_string(entity) + (groups.empty() ? " have no volume physical tag"
                                                           : " belong to several volume physical groups"));
    raw.tags.insert(raw.tags.end(), tags.begin(), tags.end());
    raw.nodes.insert(raw.nodes.end(), nodes.begin(), nodes.end());
    raw.group.insert(raw.group.end(), tags.size(), groups[0]);
  }
  if (raw.tags.empty()) throw Error(path + " holds no tetrahedra with a volume physical tag");
  return raw;
}

// The element nodes and triangles of every surface physical group.
void surface_groups(const TagIndex& index, SourceMesh& mesh) {
  gmsh::vectorpair groups;
  gmsh::model::getPhysicalGroups(groups, 2);
  // every surface group, through its entities and their element types
  for (const auto& [dim, group] : groups) {
    std::vector<int> entities;
    gmsh::model::getEntitiesForPhysicalGroup(dim, group, entities);
    auto& tris = mesh.surface_tris[group];
    auto& nodes = mesh.surface_nodes[group];
    for (int entity : entities) {
      std::vector<int> types;
      std::vector<std::vector<std::size_t>> etags, ntags;
      gmsh::model::mesh::getElements(types, etags, ntags, dim, entity);
      for (std::size_t t = 0; t < types.size(); ++t) {
        for (std::size_t tag : ntags[t]) nodes.push_back(index(tag));
        if (types[t] != tri3) continue;
        for (std::size_t k = 0; k + 2 < ntags[t].size(); k += 3)
          tris.push_back({index(ntags[t][k]), index(ntags[t][k + 1]), index(ntags[t][k + 2])});
      }
    }
  }
}

}  // namespace

SourceMesh read_mesh(const std::string& path) {
  open_mesh(path);
  check_volume_types(path);
  RawTets raw = tetrahedra(path);
  SourceMesh mesh;

  // the nodes that tetrahedra use, by ascending tag, with their coordinates
  std::vector<std::size_t> all_tags;
  std::vector<double> all_xyz, param;
  gmsh::model::mesh::getNodes(all_tags, all_xyz, param, -1, -1, false, false);
  mesh.node_tag = used_tags(raw.nodes, all_tags);
  const TagIndex index(mesh.node_tag);
  mesh.xyz.assign(3 * mesh.node_tag.size(), 0.0);
  for (std::size_t k = 0; k < all_tags.size(); ++k) {  // coordinates of the used nodes
    const std::int32_t i = index(all_tags[k]);
    if (i >= 0) std::copy_n(&all_xyz[3 * k], 3, &mesh.xyz[3 * static_cast<std::size_t>(i)]);
  }

  // the tetrahedra by ascending element tag
  std::vector<std::size_t> order(raw.tags.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return raw.tags[a] < raw.tags[b]; });
  mesh.tet.resize(order.size());
  mesh.tet_tag.resize(order.size());
  mesh.tet_group.resize(order.size());
  for (std::size_t e = 0; e < order.size(); ++e) {  // corners as node numbers, tag, group
    const std::size_t r = order[e];
    for (int k = 0; k < 4; ++k) mesh.tet[e][k] = index(raw.nodes[4 * r + k]);
    mesh.tet_tag[e] = raw.tags[r];
    mesh.tet_group[e] = raw.group[r];
  }

  surface_groups(index, mesh);
  return mesh;
}

}  // namespace headmesh
