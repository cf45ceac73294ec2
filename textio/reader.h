// Free-format input: read statements over the records (lines) of a text file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "textio/errors.h"
#include "textio/find_file.h"

namespace textio {

// A string target of a read statement: the value is truncated or blank-padded
// to len characters.
struct Str {
  std::string& s;
  std::size_t len;
};

// A text file opened for free-format reading (status "old"). The file is mapped
// into memory; records end at '\n', and a '\r' before it is not part of the
// record. A UTF-8 byte-order mark at the start of the file is skipped.
//
// One read statement is begin() followed by get() for each target, or read()
// with all targets at once. A statement starts at the beginning of the next
// record; what remained of the record where the previous statement stopped is
// discarded. Values are separated by blanks, tabs or a comma; empty records are
// skipped; a statement runs on over as many records as it needs. A null value
// (",," or a leading comma) and every target after a slash keep their value.
// r*value supplies the value to the next r targets, r* gives r null values.
//
// Fatal errors (end of file, a value that cannot be converted) throw FatalError
// naming the unit, the file and the record. A real whose 32-bit rounding
// overflows is rejected (exit status 1) as out of range.
class Reader : private InHand {
 public:
  // Opens an existing file by name; when no file has exactly that name, a file in
  // the same directory whose name matches without regard to letter case.
  // Returns nullopt when the file cannot be opened or is not a regular file,
  // with errno saying why.
  static std::optional<Reader> try_open(const std::string& path, int unit);
  // The same, but a failed open is a fatal error (with the reason).
  static Reader open(const std::string& path, int unit);
  // A reader over text held in memory (tests, fuzzing).
  static Reader from_text(std::string text, std::string name, int unit);
  Reader(Reader&&) = default;
  ~Reader();

  // Starts a read statement on the next record. A statement that gets no
  // targets consumes one record; at the end of the file it is a fatal error.
  void begin();
  void get(std::int32_t& v);
  void get(float& v);
  void get(double& v);
  void get(Str s);

  // One whole read statement.
  template <class... T>
  void read(T&&... targets) {
    begin();
    (get(targets), ...);
  }

  // The file name as opened, the unit, and the 1-based number of the record on
  // which the last value was read (or the statement began).
  const std::string& name() const { return name_; }
  int unit() const { return unit_; }
  long record() const { return record_; }

  // Rejects the last value read as out of range: one console line naming the
  // file, the record and what is wrong; exit status 1.
  [[noreturn]] void reject(std::string_view what) const;

 private:
  Reader(InputBytes bytes, std::string name, int unit);
  Where where() const override { return {unit_, &name_, record_}; }

  // The next value of the statement: true with its text (quoted: the text of a
  // quoted string, delimiters removed); false for a null value and after a slash.
  bool next_value(std::string_view& v, bool& quoted);
  bool plain_i32(std::int32_t& v);
  std::string_view scan_value(bool& quoted);
  void load_record(std::size_t start);
  void next_record();
  [[noreturn]] void fail(std::string_view error) const;
  [[noreturn]] void bad_value(std::string_view v, std::string_view kind) const;

  InputBytes bytes_;
  const char* text_;      // the file's bytes
  std::size_t size_;
  std::string name_;
  int unit_;
  std::size_t pos_ = 0;   // scan position in the current record
  std::size_t end_ = 0;   // end of the current record (without "\r\n")
  std::size_t next_ = 0;  // start of the record after the current one
  long record_ = 0;       // current record number, 0 before the first
  // State of the statement in progress.
  bool slash_ = false;        // a slash ended the statement
  bool after_value_ = false;  // a comma now is a plain separator
  long repeat_ = 0;           // values still to supply from r*value or r*
  bool repeat_null_ = false;
  bool repeat_quoted_ = false;
  std::string repeat_text_;
  std::string quoted_;  // the text of the last quoted string
  std::string number_;  // work space of the real conversion
};

}  // namespace textio
