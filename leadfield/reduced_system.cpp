#include "leadfield/reduced_system.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "leadfield/error.h"

namespace leadfield {

ReducedSystem reduce(const Conduction& a, const std::vector<Electrode>& cap, std::int32_t reference) {
  ReducedSystem s;
  const std::int32_t nn = a.n;
  std::vector<std::int32_t> owner(static_cast<std::size_t>(nn) + 1, -1);  // electrode of each node
  for (std::size_t k = 0; k < cap.size(); ++k)
    for (std::int32_t v : cap[k].nodes) owner[v] = static_cast<std::int32_t>(k);
  s.dof.assign(static_cast<std::size_t>(nn) + 1, -1);
  s.electrode_dof.assign(cap.size(), -1);
  // number the unknowns in node order; an electrode at its first node
  for (std::int32_t i = 1; i <= nn; ++i) {
    const std::int32_t k = owner[i];
    if (k < 0) {
      s.dof[i] = s.n++;
    } else if (k != reference) {
      if (s.electrode_dof[k] < 0) s.electrode_dof[k] = s.n++;
      s.dof[i] = s.electrode_dof[k];
    }
  }
  // the nodes of each unknown, grouped in counting order
  std::vector<std::int32_t> start(static_cast<std::size_t>(s.n) + 1, 0), nodes;
  for (std::int32_t i = 1; i <= nn; ++i)
    if (s.dof[i] >= 0) ++start[s.dof[i] + 1];
  std::partial_sum(start.begin(), start.end(), start.begin());
  nodes.resize(static_cast<std::size_t>(start[s.n]));
  std::vector<std::int32_t> fill(start.begin(), start.end() - 1);
  for (std::int32_t i = 1; i <= nn; ++i)
    if (s.dof[i] >= 0) nodes[fill[s.dof[i]]++] = i;

  // each reduced row: the sum of its node rows, columns merged the same way
  std::vector<std::int64_t> at(static_cast<std::size_t>(s.n), -1);  // position of column c in the current row
  s.ptr.assign(1, 0);
  for (std::int32_t r = 0; r < s.n; ++r) {
    const std::size_t row_start = s.col.size();
    for (std::int32_t q = start[r]; q < start[r + 1]; ++q) {
      const std::int32_t i = nodes[q];
      for (std::int32_t p = a.irow[i - 1] + 1; p <= a.irow[i]; ++p) {
        const std::int32_t c = s.dof[a.jcol[p]];
        if (c < 0) continue;
        if (at[c] < 0) {
          at[c] = static_cast<std::int64_t>(s.col.size());
          s.col.push_back(c);
          s.val.push_back(0.0);
        }
        s.val[at[c]] += a.amat[p];
      }
    }
    // columns ascending
    std::vector<std::pair<std::int32_t, double>> row;
    for (std::size_t p = row_start; p < s.col.size(); ++p) {
      row.emplace_back(s.col[p], s.val[p]);
      at[s.col[p]] = -1;
    }
    std::sort(row.begin(), row.end());
    for (std::size_t p = 0; p < row.size(); ++p) {
      s.col[row_start + p] = row[p].first;
      s.val[row_start + p] = row[p].second;
    }
    s.ptr.push_back(static_cast<std::int64_t>(s.col.size()));
  }
  return s;
}

namespace {

std::int32_t root(std::vector<std::int32_t>& up, std::int32_t v) {
  while (up[v] != v) v = up[v] = up[up[v]];
  return v;
}

void join(std::vector<std::int32_t>& up, std::int32_t a, std::int32_t b) {
  a = root(up, a);
  b = root(up, b);
  if (a != b) up[std::max(a, b)] = std::min(a, b);
}

}  // namespace

void check_connected(const Mesh& mesh, const std::vector<Electrode>& cap, std::int32_t reference) {
  std::vector<std::int32_t> up(static_cast<std::size_t>(mesh.nnode) + 1);
  std::iota(up.begin(), up.end(), 0);
  // conducting elements join their corners, electrodes their nodes
  for (std::int32_t e = 1; e <= mesh.nelem; ++e)
    if (mesh.sigel[e] > 0.0f)
      for (int k = 1; k < 4; ++k) join(up, mesh.ielem[4 * e], mesh.ielem[4 * e + k]);
  for (const Electrode& el : cap)
    for (std::int32_t v : el.nodes) join(up, el.nodes.front(), v);
  const std::int32_t ground = root(up, cap[reference].nodes.front());
  // the first element cut off from the reference names the region: a
  // conducting one first, else one of zero conductivity
  for (const bool conducting : {true, false})
    for (std::int32_t e = 1; e <= mesh.nelem; ++e) {
      if ((mesh.sigel[e] > 0.0f) != conducting) continue;
      for (int k = 0; k < 4; ++k) {
        const std::int32_t v = mesh.ielem[4 * e + k];
        if (root(up, v) != ground)
          throw Error("the region of material " + std::to_string(mesh.imat[e]) + " at node " + std::to_string(v) +
                      " is not connected to the reference electrode " + cap[reference].name +
                      " by any path of non-zero conductivity (the matrix is singular)");
      }
    }
  for (std::int32_t v = 1; v <= mesh.nnode; ++v)
    if (root(up, v) != ground)
      throw Error("node " + std::to_string(v) + " belongs to no element (the matrix is singular)");
}

void multiply(const ReducedSystem& s, const double* x, double* y, int nb) {
  for (std::int32_t r = 0; r < s.n; ++r) {
    double* yr = y + static_cast<std::size_t>(r) * nb;
    std::fill(yr, yr + nb, 0.0);
    for (std::int64_t p = s.ptr[r]; p < s.ptr[r + 1]; ++p) {
      const double v = s.val[p];
      const double* xc = x + static_cast<std::size_t>(s.col[p]) * nb;
      for (int c = 0; c < nb; ++c) yr[c] += v * xc[c];
    }
  }
}

}  // namespace leadfield
