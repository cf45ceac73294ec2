// Shared parts of the fuzz targets: a private working directory, a console that
// discards its output and reads end of input, the small model the file targets
// start from, and the run of a stage whose ending by a handled stop or a fatal
// record error is a correct outcome.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "potsolve/model_input.h"
#include "potsolve/pattern.h"
#include "textio/errors.h"

namespace fuzzing {

// Once per process: moves into a fresh directory (under /dev/shm when there is
// one) and quiets the console. Every target calls it from LLVMFuzzerInitialize,
// so corpus directories must be given to a target as absolute paths.
void init();

// Writes a file of the working directory.
void put(const std::string& name, std::string_view bytes);
inline void put(const std::string& name, const std::uint8_t* data, std::size_t size) {
  put(name, std::string_view(reinterpret_cast<const char*>(data), size));
}

// Writes every file of the small model (common/small_model.h) except skip.
void put_base_model(std::string_view skip = {});

// Splits bytes at every line that holds only "%" (the file separator of the
// whole-model targets).
std::vector<std::string> split_files(std::string_view bytes);

// Runs a stage. The ends of a run that the programs produce on bad input (a
// handled stop with its status, a fatal record error, a stage's own typed error)
// are correct outcomes and return false; a completed stage returns true.
// Anything else escapes, and the fuzzer reports it.
template <class F>
bool completes(F&& stage) {
  try {
    stage();
    return true;
  } catch (const textio::Stop&) {
  } catch (const textio::FatalError&) {
  } catch (const potsolve::ModelFileMissing&) {
  } catch (const potsolve::TooManyTerms&) {
  }
  return false;
}

// Stops the process with a report when an invariant of a completed stage fails.
void require(bool ok, const char* what);

}  // namespace fuzzing
