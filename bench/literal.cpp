#include "literal.h"

#include <cstring>
#include <memory>
#include <stdexcept>

#include "clock.h"
#include "cortexmap/averages.h"
#include "cortexmap/fields.h"
#include "cortexmap/inputs.h"
#include "cortexmap/mapstore.h"
#include "cortexmap/nearest.h"
#include "cortexmap/literal_averages.h"
#include "cortexmap/literal_nearest.h"
#include "fullmodel.h"
#include "potsolve/dirichlet.h"
#include "potsolve/iccg.h"
#include "potsolve/literal_assembly.h"
#include "potsolve/literal_pattern.h"
#include "potsolve/literal_transpose.h"
#include "potsolve/pattern.h"
#include "textio/console.h"

namespace bench {

namespace {

void agree(bool same, const char* what) {
  if (!same) throw std::runtime_error(std::string("literal and fast ") + what + " differ");
}

bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

}  // namespace

std::vector<LiteralResult> compare_literal(int c, int side, const LoopSizes& full) {
  textio::ConsoleCapture quiet;  // the programs' records are not shown
  std::vector<LiteralResult> out;
  const Model model = make_brick(c);
  potsolve::ModelStore m;
  m.nnode = model.mesh.nnode;
  m.xyz = model.mesh.xyz;
  m.nelem = model.mesh.nelem;
  m.ielem = model.mesh.ielem;
  m.imat = model.mesh.imat;
  const std::int32_t n = m.nnode, ne = m.nelem;
  m.sigel.assign(static_cast<std::size_t>(ne) + 1, 0.0f);
  for (std::int32_t e = 1; e <= ne; ++e) m.sigel[e] = model.boundary.prop[m.imat[e] - 1];
  m.bcp.assign(static_cast<std::size_t>(n) + 1, 0);
  m.rhs.assign(static_cast<std::size_t>(n) + 1, 0.0);
  for (const auto& [node, code] : model.boundary.bcp) m.bcp[node] = code;
  for (std::size_t k = 0; k < model.boundary.bval.size(); ++k) m.bval[k + 1] = model.boundary.bval[k];
  LoopSizes small{double(n), double(ne), 0, double(model.nfixed), double(side) * side};

  // Pattern search: every row against every element slot.
  {
    std::vector<std::int32_t> ir1, jc1, ir2, jc2;
    LiteralResult r{"pattern search", 0, 0, 0, 0};
    r.literal = time_once([&] { literal::search_pattern(m, n, ne, ir1, jc1); });
    r.fast = time_mean([&] { potsolve::build_pattern(m, n, ne, ir2, jc2); });
    agree(ir1 == ir2 && jc1 == jc2, "patterns");
    m.irow = ir2;
    m.jcol = jc2;
    m.amat.assign(m.jcol.size(), 0.0);
    r.growth = (full.nnode * full.nelem) / (small.nnode * small.nelem);
    out.push_back(r);
  }
  small.nnz = m.irow[n];
  literal::assemble(m, n, ne);  // (the fast assembly is timed at full capacity)

  // Dirichlet: every fixed node against every stored term.
  {
    potsolve::ModelStore a = m, b = m;
    LiteralResult r{"Dirichlet pass", 0, 0, 0, 0};
    r.literal = time_once([&] { literal::apply_dirichlet(a, n); });
    potsolve::apply_dirichlet(b, n);
    agree(same_bits(a.amat, b.amat) && same_bits(a.rhs, b.rhs), "Dirichlet passes");
    potsolve::ModelStore work = m;
    r.fast = time_mean([&] {
      work.amat = m.amat;
      work.rhs = m.rhs;
      potsolve::apply_dirichlet(work, n);
    });
    r.fast -= time_mean([&] {
      work.amat = m.amat;
      work.rhs = m.rhs;
    });  // without the copies that restore the input
    r.growth = (full.nfixed * full.nnz) / (small.nfixed * small.nnz);
    out.push_back(r);
    m = b;
  }

  // Transpose map: a cursor test for every column and row.
  {
    potsolve::SplitMatrix a = potsolve::split_triangles(n, m);
    std::vector<std::int32_t> itrans_lit;
    LiteralResult r{"transpose map", 0, 0, 0, 0};
    r.literal = time_once([&] { itrans_lit = reference::literal_transpose_map(a); });
    r.fast = time_mean([&] { potsolve::build_transpose_map(a); });
    agree(itrans_lit == a.mirror, "transpose maps");
    r.growth = (full.nnode * full.nnode) / (small.nnode * small.nnode);
    out.push_back(r);
  }

  // Node averages and nearest search on the same mesh, with a linear potential.
  auto store = std::make_unique<cortexmap::MapStore>();
  cortexmap::MapStore& cm = *store;
  cm.nnode = n;
  cm.nelem = ne;
  cm.ielem = model.mesh.ielem;
  cm.imat = model.mesh.imat;
  for (std::size_t k = 0; k < model.boundary.prop.size(); ++k) cm.prop[k + 1] = model.boundary.prop[k];
  for (std::int32_t i = 1; i <= n; ++i) {
    for (int a = 0; a < 3; ++a) cm.xyz[3 * i + a] = cortexmap::in_metres(model.mesh.xyz[3 * i + a]);
    cm.pot[i] = 1.0f - model.mesh.xyz[3 * i] / static_cast<float>(c) + 0.01f * model.mesh.xyz[3 * i + 2];
  }
  cm.fields = cortexmap::element_fields(cm);
  {
    LiteralResult r{"node averages", 0, 0, 0, 0};
    std::vector<float> lit;
    r.literal = time_once([&] { lit = literal::node_averages(n, ne, cm.ielem, cm.fields.emag, cm.fields.jmag, cm.fields.pden); });
    cortexmap::ProgressLine line;
    std::vector<float> ndavg;
    r.fast = time_mean([&] {
      line.start(n);
      ndavg = cortexmap::node_averages(cm, cm.fields, line);
    });
    lit.resize(ndavg.size(), 0.0f);
    agree(same_bits(lit, ndavg), "node averages");
    r.growth = (full.nnode * full.nelem) / (small.nnode * small.nelem);
    out.push_back(r);
  }
  {
    const std::vector<float> pts = sheet_points(model, side, side);
    const std::int32_t np = side * side;
    std::vector<std::int32_t> lit(np), fast(np);
    auto scaled = [&](std::int32_t k, float q[3]) {
      for (int a = 0; a < 3; ++a) q[a] = cortexmap::in_metres(pts[3 * k + a]);
    };
    LiteralResult r{"nearest search", 0, 0, 0, 0};
    r.literal = time_once([&] {
      // every point against every centroid
      for (std::int32_t k = 0; k < np; ++k) {
        float q[3];
        scaled(k, q);
        lit[k] = literal::nearest(cm.fields.cent, ne, q);
      }
    });
    r.fast = time_mean([&] {
      const cortexmap::CentroidIndex index(cm.fields.cent, ne);
      // every point through the grid
      for (std::int32_t k = 0; k < np; ++k) {
        float q[3];
        scaled(k, q);
        fast[k] = index.nearest(q);
      }
    });
    agree(lit == fast, "nearest elements");
    r.growth = (full.npts * full.nelem) / (small.npts * small.nelem);
    out.push_back(r);
  }
  return out;
}

}  // namespace bench
