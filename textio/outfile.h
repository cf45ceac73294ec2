// Output files written whole or not at all: records go to a temporary file in
// the target's directory, which replaces the target only when complete.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "textio/errors.h"
#include "textio/layout.h"
#include "textio/record.h"

namespace textio {

// An output file opened with status "unknown" (an existing file is replaced, a
// missing one created). Until commit(), the records go to a temporary file
// beside the target, created under a fresh name (never an existing file or
// link) with mode 0666 less the umask; commit() writes it out to the disk and
// renames it over the target. An object destroyed without commit() (a failure,
// a Stop) removes the temporary, so the earlier file stays untouched; so does a
// signal that ends the run (textio/temporaries.h). Open and write failures are
// fatal errors naming the reason, the unit, the file and the record.
class OutFile : private InHand {
 public:
  OutFile(std::string path, int unit);
  ~OutFile();
  OutFile(const OutFile&) = delete;
  OutFile& operator=(const OutFile&) = delete;

  void record(const Record& r);                                    // free-format record
  void fixed(const Layout& layout, std::span<const Item> items);   // fixed-layout records
  void lines(std::string_view text);  // records already rendered, each with its line end
  // Ends the writing: the temporary is written out to the disk and closed, to
  // be renamed by commit() or commit_together().
  void complete();
  void commit();

  const std::string& path() const { return path_; }

 private:
  friend void commit_together(std::span<OutFile* const> files, std::span<const std::string> stale);
  void put(std::string_view text);
  void flush();
  void check_replaceable() const;
  void published();  // the temporary renamed over the target: nothing left to remove
  void discard();   // the temporary closed and removed
  [[noreturn]] void fail(std::string_view error, int err) const;
  Where where() const override { return {unit_, &path_, records_}; }

  std::string path_;
  std::string temp_;  // the temporary's name; empty once it is gone
  int unit_;
  int fd_ = -1;
  int slot_ = -1;     // where the temporary's name is kept for a signal
  std::string buf_;
  long records_ = 0;
};

// Commits output files that belong together, all or none: every temporary is
// completed (each file may be completed as soon as its records are written, so
// that only one is open at a time) and every target checked first, and only
// then are they renamed, with the files named in stale removed (files of an
// earlier run that no longer belong) in the same group (textio/temporaries.h).
// When one fails, none of the targets changes, and the temporaries are removed
// as the objects go away. Null entries (files a run does not write) are passed over.
void commit_together(std::span<OutFile* const> files, std::span<const std::string> stale = {});
inline void commit_together(std::initializer_list<OutFile*> files, std::span<const std::string> stale = {}) {
  commit_together(std::span<OutFile* const>(files.begin(), files.size()), stale);
}

}  // namespace textio
