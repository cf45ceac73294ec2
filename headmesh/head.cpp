#include "headmesh/head.h"

#include <gmsh.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <vector>

#include "headmesh/error.h"
#include "headmesh/mesh_write.h"

namespace headmesh {

namespace {

using Vec = std::array<double, 3>;

// An ellipsoid by its centre and semi-axes (mm).
struct Ellipsoid {
  Vec centre, axes;
};

// The tissues from the inside out. The sulci are slits through the outer part
// of the grey matter, from the pial surface down to the floor ellipsoid.
constexpr Ellipsoid white{{0, 0, 0}, {55, 71, 51}};
constexpr Ellipsoid sulcus_floor{{0, 0, 0}, {59, 75, 55}};
constexpr Ellipsoid pial{{0, 0, 0}, {64, 80, 60}};
constexpr Ellipsoid sulcus_top{{0, 0, 0}, {66, 82, 62}};
constexpr Ellipsoid skull_inner{{0, 0, 0}, {68, 84, 64}};
constexpr Ellipsoid skull_outer{{0, 2, 3}, {74, 90, 70}};  // off-centre: bone 5 to 9 mm thick
constexpr Ellipsoid scalp{{0, 2, 3}, {80, 96, 76}};
constexpr double cut_z = -40.0;
constexpr double sulcus_width = 1.6, sulcus_length = 42.0;

enum Tissue { white_matter = 1, grey_matter = 2, csf = 3, bone = 4, skin = 5 };
constexpr const char* tissue_name[] = {"", "white matter", "grey matter", "CSF", "bone", "scalp"};

int add_ellipsoid(const Ellipsoid& e) {
  const int ball = gmsh::model::occ::addSphere(0, 0, 0, 1.0);
  gmsh::model::occ::dilate({{3, ball}}, 0, 0, 0, e.axes[0], e.axes[1], e.axes[2]);
  gmsh::model::occ::translate({{3, ball}}, e.centre[0], e.centre[1], e.centre[2]);
  return ball;
}

// The point of the ellipsoid's surface in the direction n from its centre.
Vec on_surface(const Ellipsoid& e, const Vec& n) {
  double q = 0.0;
  for (int a = 0; a < 3; ++a) q += (n[a] / e.axes[a]) * (n[a] / e.axes[a]);
  const double t = 1.0 / std::sqrt(q);
  return {e.centre[0] + t * n[0], e.centre[1] + t * n[1], e.centre[2] + t * n[2]};
}

// One sulcus: a thin box, long along its heading psi in the tangent plane and
// tall along the direction n, centred on the pial surface.
int add_sulcus(const Vec& n, double psi) {
  const double tall = 40.0;
  const int box = gmsh::model::occ::addBox(-sulcus_length / 2, -sulcus_width / 2, -tall / 2, sulcus_length,
                                           sulcus_width, tall);
  gmsh::model::occ::rotate({{3, box}}, 0, 0, 0, 0, 0, 1, psi);
  // z to n: about z x n by the angle between them
  const double angle = std::acos(std::clamp(n[2], -1.0, 1.0));
  if (angle > 1e-9) gmsh::model::occ::rotate({{3, box}}, 0, 0, 0, -n[1], n[0], 0, angle);
  const Vec c = on_surface(pial, n);
  gmsh::model::occ::translate({{3, box}}, c[0], c[1], c[2]);
  return box;
}

// The sulci: rings of directions over the upper part of the brain, each slit
// turned by its own heading.
std::vector<int> add_sulci() {
  std::vector<int> boxes;
  const double pi = std::acos(-1.0);
  // polar angle from the top (degrees), number of sulci on the ring, heading offset
  constexpr double rings[][3] = {{0, 1, 0}, {32, 6, 0.4}, {62, 9, 1.3}, {92, 10, 0.2}, {118, 8, 0.9}};
  for (const auto& ring : rings) {
    const double theta = ring[0] * pi / 180.0;
    const int count = static_cast<int>(ring[1]);
    for (int k = 0; k < count; ++k) {  // the ring's sulci, evenly around z
      const double phi = 2 * pi * (k + 0.5 * (ring[0] > 60)) / count;
      const Vec n{std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi), std::cos(theta)};
      boxes.push_back(add_sulcus(n, ring[2] + 0.7 * k));
    }
  }
  return boxes;
}

gmsh::vectorpair volumes(const std::vector<int>& tags) {
  gmsh::vectorpair v;
  for (int t : tags) v.emplace_back(3, t);
  return v;
}

// The volumes of a boolean operation's result.
std::vector<int> tags_of(const gmsh::vectorpair& out) {
  std::vector<int> t;
  for (const auto& [dim, tag] : out)
    if (dim == 3) t.push_back(tag);
  return t;
}

}  // namespace

HeadSummary make_head(const HeadOptions& opt) {
  if (!(opt.size >= 0.5 && opt.size <= 20.0)) throw Error("the element size must lie between 0.5 and 20 mm");
  namespace occ = gmsh::model::occ;
  gmsh::model::add("head");
  HeadSummary s;

  // the sulci: the slits, cut to the grey matter's outer part
  const std::vector<int> boxes = add_sulci();
  s.sulci = boxes.size();
  gmsh::vectorpair out;
  std::vector<gmsh::vectorpair> map;
  occ::fuse({{3, boxes[0]}}, volumes(std::vector<int>(boxes.begin() + 1, boxes.end())), out, map);
  const gmsh::vectorpair slits = out;
  occ::intersect(slits, {{3, add_ellipsoid(sulcus_top)}}, out, map);
  const gmsh::vectorpair upper = out;
  occ::cut(upper, {{3, add_ellipsoid(sulcus_floor)}}, out, map);
  const std::vector<int> sulci = tags_of(out);

  // the five ellipsoids, the sulci and the part below the cut, all fragmented;
  // a piece's tissue is the innermost ellipsoid that holds it, CSF in a sulcus
  const Ellipsoid shells[] = {white, pial, skull_inner, skull_outer, scalp};
  const Tissue inner_tissue[] = {white_matter, grey_matter, csf, bone, skin};
  std::vector<int> inputs;
  for (const Ellipsoid& e : shells) inputs.push_back(add_ellipsoid(e));
  const double big = 300.0;
  const int below = occ::addBox(-big, -big, -big, 2 * big, 2 * big, big + cut_z);
  gmsh::vectorpair tools = volumes(std::vector<int>(inputs.begin() + 1, inputs.end()));
  for (int t : sulci) tools.emplace_back(3, t);
  tools.emplace_back(3, below);
  occ::fragment({{3, inputs[0]}}, tools, out, map);
  // map[k]: the pieces of input k, in the order given: shells, sulci, below
  std::vector<std::set<int>> pieces;
  for (const auto& m : map) {
    const std::vector<int> t = tags_of(m);
    pieces.emplace_back(t.begin(), t.end());
  }
  std::set<int> in_sulcus, below_cut;
  for (std::size_t k = 0; k < sulci.size(); ++k) in_sulcus.insert(pieces[5 + k].begin(), pieces[5 + k].end());
  below_cut = pieces.back();

  std::vector<int> by_tissue[6];
  gmsh::vectorpair drop;
  // every piece: dropped below the cut, else its tissue
  for (int piece : tags_of(out)) {
    if (below_cut.count(piece)) {
      drop.emplace_back(3, piece);
      continue;
    }
    int k = 0;
    while (k < 5 && !pieces[k].count(piece)) ++k;
    if (k == 5) {  // outside the scalp: cannot happen, the sulci lie inside
      drop.emplace_back(3, piece);
      continue;
    }
    Tissue t = inner_tissue[k];
    if (t == grey_matter && in_sulcus.count(piece)) t = csf;
    if (t == white_matter && in_sulcus.count(piece)) throw Error("a sulcus reaches the white matter");
    by_tissue[t].push_back(piece);
  }
  occ::remove(drop, true);
  occ::synchronize();
  std::vector<int> grey_surfaces;
  for (int t = white_matter; t <= skin; ++t) {  // one physical group per tissue
    if (by_tissue[t].empty()) throw Error(std::string("the head has no ") + tissue_name[t]);
    gmsh::model::addPhysicalGroup(3, by_tissue[t], t);
    gmsh::model::setPhysicalName(3, t, tissue_name[t]);
  }

  // fine elements at the grey matter's surfaces, coarser away from them
  gmsh::vectorpair boundary;
  gmsh::model::getBoundary(volumes(by_tissue[grey_matter]), boundary, false, false);
  std::vector<double> surfaces;
  for (const auto& [dim, tag] : boundary) surfaces.push_back(tag);
  const int distance = gmsh::model::mesh::field::add("Distance");
  gmsh::model::mesh::field::setNumbers(distance, "FacesList", surfaces);
  const int threshold = gmsh::model::mesh::field::add("Threshold");
  gmsh::model::mesh::field::setNumber(threshold, "InField", distance);
  gmsh::model::mesh::field::setNumber(threshold, "SizeMin", opt.size);
  gmsh::model::mesh::field::setNumber(threshold, "SizeMax", 3.0 * opt.size);
  gmsh::model::mesh::field::setNumber(threshold, "DistMin", 2.0);
  gmsh::model::mesh::field::setNumber(threshold, "DistMax", 20.0);
  gmsh::model::mesh::field::setAsBackgroundMesh(threshold);
  gmsh::option::setNumber("Mesh.MeshSizeExtendFromBoundary", 0);
  gmsh::option::setNumber("Mesh.MeshSizeFromPoints", 0);
  gmsh::option::setNumber("Mesh.MeshSizeFromCurvature", 0);

  const MeshCounts c = mesh_and_write(opt.out, opt.format, opt.binary, "head");
  s.nodes = c.nodes;
  s.tetrahedra = c.tetrahedra;
  return s;
}

}  // namespace headmesh
