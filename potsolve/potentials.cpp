#include "potsolve/potentials.h"

#include <string>
#include <vector>

#include "potsolve/settings.h"
#include "potsolve/threads.h"
#include "textio/outfile.h"

namespace potsolve {

// The node records are rendered in equal runs of nodes, one per thread, and
// written in node order.
void write_potentials(const ModelStore& m, int threads) {
  textio::OutFile out(model_path(m, "POTENT.OUT"), 22);
  out.record(textio::Record().i32(m.nnode));
  const std::int32_t n = m.nnode;
  const int parts = n >= shared_min_rows ? std::max(1, threads) : 1;
  std::vector<std::string> text(static_cast<std::size_t>(parts));
  Team team(parts);
  team.run([&](int t) {
    const std::int32_t first = static_cast<std::int32_t>(static_cast<std::int64_t>(n) * t / parts) + 1;
    const std::int32_t last = static_cast<std::int32_t>(static_cast<std::int64_t>(n) * (t + 1) / parts);
    std::string& s = text[static_cast<std::size_t>(t)];
    s.reserve(static_cast<std::size_t>(last - first + 1) * 37);
    // one record per node, in node order: the number and the potential
    for (std::int32_t i = first; i <= last; ++i) {
      textio::append_i32(s, i);
      textio::append_r64(s, m.pot[i]);
      s += '\n';
    }
  });
  for (const std::string& s : text) out.lines(s);
  out.commit();
}

}  // namespace potsolve
