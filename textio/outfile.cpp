// Output files written whole or not at all: the records are buffered, written
// to path + ".tmp" and renamed over the target by commit().
#include "textio/outfile.h"

#include <algorithm>
#include <stdexcept>

#include "textio/errors.h"

namespace textio {

namespace {
constexpr std::size_t chunk = 1 << 20;  // buffered bytes written at once
}

OutFile::OutFile(std::string path, int unit) : path_(std::move(path)), temp_(path_ + ".tmp"), unit_(unit) {
  fp_ = std::fopen(temp_.c_str(), "wb");
  if (!fp_) {
    temp_.clear();  // nothing was created
    fatal("cannot open (status unknown)", unit_, path_, 0);
  }
  buf_.reserve(chunk + 4096);
}

OutFile::~OutFile() {
  if (fp_) std::fclose(fp_);
  if (!temp_.empty()) std::remove(temp_.c_str());
}

void OutFile::record(const Record& r) {
  put(r.str());
  put("\n");
}

void OutFile::fixed(const Layout& layout, std::span<const Item> items) {
  if (!fp_) throw std::logic_error("OutFile: write after commit");
  const std::size_t from = buf_.size();
  render(layout, items, buf_);
  records_ += std::count(buf_.begin() + static_cast<std::ptrdiff_t>(from), buf_.end(), '\n');
  if (buf_.size() >= chunk) flush();
}

void OutFile::put(std::string_view text) {
  if (!fp_) throw std::logic_error("OutFile: write after commit");
  buf_ += text;
  records_ += std::count(text.begin(), text.end(), '\n');
  if (buf_.size() >= chunk) flush();
}

void OutFile::flush() {
  if (buf_.empty()) return;
  const bool short_write = std::fwrite(buf_.data(), 1, buf_.size(), fp_) != buf_.size();
  buf_.clear();
  if (short_write) fatal("write error", unit_, path_, records_);
}

void OutFile::commit() {
  if (!fp_) throw std::logic_error("OutFile: commit twice");
  flush();
  const bool write_failed = std::ferror(fp_) != 0;
  const bool close_failed = std::fclose(fp_) != 0;
  fp_ = nullptr;
  if (write_failed || close_failed) fatal("write error", unit_, path_, records_);
  if (std::rename(temp_.c_str(), path_.c_str()) != 0) fatal("cannot replace the file", unit_, path_, records_);
  temp_.clear();
}

}  // namespace textio
