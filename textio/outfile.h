// Output files written whole or not at all: records go to a temporary file in
// the target's directory, which replaces the target only when complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "textio/layout.h"
#include "textio/record.h"

namespace textio {

// An output file opened with status "unknown" (an existing file is replaced, a
// missing one created). Until commit(), the records go to a temporary file
// beside the target; commit() closes it and renames it over the target. An
// object destroyed without commit() (a failure, a Stop) removes the temporary,
// so the earlier file stays untouched. Open and write failures are fatal errors
// naming the unit, the file and the record.
class OutFile {
 public:
  OutFile(std::string path, int unit);
  ~OutFile();
  OutFile(const OutFile&) = delete;
  OutFile& operator=(const OutFile&) = delete;

  void record(const Record& r);                                    // free-format record
  void fixed(const Layout& layout, std::span<const Item> items);   // fixed-layout records
  void commit();

  const std::string& path() const { return path_; }

 private:
  void put(std::string_view text);
  void flush();

  std::string path_;
  std::string temp_;
  int unit_;
  std::FILE* fp_ = nullptr;
  std::string buf_;
  long records_ = 0;
};

}  // namespace textio
