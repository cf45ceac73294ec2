#include "headmesh/electrode_current.h"

#include <cmath>
#include <map>

#include "shared/tetra.h"

namespace headmesh {

std::vector<ElectrodeCurrent> reaction_currents(const cortexmap::MapStore& m, const std::vector<double>& pot) {
  std::vector<std::int32_t> code(static_cast<std::size_t>(m.nnode) + 1, 0);
  std::map<std::int32_t, ElectrodeCurrent> by_code;
  for (std::int32_t k = 1; k <= m.nbcp; ++k) {  // the held nodes: code -k holds bval(k)
    const std::int32_t node = m.bcplist[2 * k], c = m.bcplist[2 * k + 1];
    if (c >= 0 || node < 1 || node > m.nnode) continue;
    code[static_cast<std::size_t>(node)] = c;
    ElectrodeCurrent& e = by_code[c];
    e.code = c;
    e.volts = -c < static_cast<std::int32_t>(m.bval.size()) ? m.bval[static_cast<std::size_t>(-c)] : 0.0;
    ++e.nodes;
  }
  // every element's share of the rows of its held corners: sigma V grad N_i . grad u
  for (std::int32_t e = 1; e <= m.nelem; ++e) {
    const std::int32_t* c = &m.ielem[4 * static_cast<std::size_t>(e)];
    if (!code[c[0]] && !code[c[1]] && !code[c[2]] && !code[c[3]]) continue;
    double p[4][3], u[4];
    for (int k = 0; k < 4; ++k) {
      for (int a = 0; a < 3; ++a) p[k][a] = m.xyz[3 * static_cast<std::size_t>(c[k]) + a];
      u[k] = pot[static_cast<std::size_t>(c[k])];
    }
    const shared::Tetra t = shared::tetra(p);
    if (t.det == 0.0) continue;
    double g[3];
    shared::gradient(t, u, g);
    const double sigma = m.prop[static_cast<std::size_t>(m.imat[static_cast<std::size_t>(e)])];
    for (int k = 0; k < 4; ++k)  // grad N_k = cof[k] / det, volume |det| / 6
      if (code[c[k]]) by_code[code[c[k]]].amperes += sigma * std::fabs(t.det) / 6.0 * shared::dot(t.cof[k], g) / t.det;
  }
  std::vector<ElectrodeCurrent> out;
  for (auto it = by_code.rbegin(); it != by_code.rend(); ++it) out.push_back(it->second);  // codes -1, -2, ...
  return out;
}

}  // namespace headmesh
