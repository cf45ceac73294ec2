// leadfield: the transfer matrix of an electrode cap in one run, and the field
// of any current montage from it.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "leadfield/command_line.h"
#include "leadfield/error.h"
#include "textio/errors.h"
#include "textio/temporaries.h"

namespace {

using namespace leadfield;

void run(const Help& h) { std::fputs(h.text.c_str(), stdout); }
void run(const LeadOptions& o) { run_leadfield(o); }
void run(const MontageOptions& o) { run_montage(o); }

}  // namespace

int main(int argc, char** argv) {
  textio::handle_signals();
  try {
    const Command c = parse_command(std::vector<std::string>(argv + 1, argv + argc));
    std::visit([](const auto& options) { run(options); }, c);
    return 0;
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    std::fprintf(stderr, "leadfield: out of memory; try --solver iccg or a machine with more memory\n");
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "leadfield: %s\n", e.what());
  } catch (const textio::Stop& s) {
    return s.status;
  }
  return 1;
}
