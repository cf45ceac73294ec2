// Fuzz target: the free-format reader. The first bytes (up to the first line
// end, at most 8) choose the read statements, one byte each: the low two bits
// give the number of targets (0 to 3), the next pairs of bits their kinds
// (integer, 32-bit real, 64-bit real, string of 40). The rest is the file text,
// read by those statements in turn until the file ends.
#include <cstdint>
#include <string>

#include "fuzz/harness.h"
#include "textio/reader.h"

namespace {

void statement(textio::Reader& rd, std::uint8_t code) {
  std::int32_t i = 0;
  float f = 0.0f;
  double d = 0.0;
  std::string s;
  const int targets = code & 3;
  rd.begin();
  // each target of the statement, its kind from the next two bits
  for (int t = 0; t < targets; ++t) {
    switch ((code >> (2 + 2 * t)) & 3) {
      case 0: rd.get(i); break;
      case 1: rd.get(f); break;
      case 2: rd.get(d); break;
      default:
        rd.get(textio::Str{s, 40});
        fuzzing::require(s.empty() || s.size() == 40, "a string target holds its length");
        break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t head = 0;
  while (head < size && head < 8 && data[head] != '\n') ++head;
  if (head == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + head, size - head);
  textio::Reader rd = textio::Reader::from_text(text, "fuzz.txt", 1);
  fuzzing::completes([&] {
    long last = 0;
    // statements in turn until the end of the file ends the run; every
    // statement consumes at least one record, so this ends
    for (std::size_t k = 0;; ++k) {
      statement(rd, data[k % head]);
      fuzzing::require(rd.record() > last, "a statement moves to a later record");
      last = rd.record();
    }
  });
  return 0;
}
