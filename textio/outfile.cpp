// Output files written whole or not at all: the records are buffered, written
// to a temporary of a fresh name beside the target and renamed over the target
// by commit().
#include "textio/outfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "textio/errors.h"
#include "textio/temporaries.h"

namespace textio {

namespace {

constexpr std::size_t chunk = 1 << 20;  // buffered bytes written at once

}  // namespace

OutFile::OutFile(std::string path, int unit)
    : path_(std::move(path)), temp_(path_ + ".XXXXXX"), unit_(unit) {
  buf_.reserve(chunk + 4096);  // before the file exists: running out of memory here leaves nothing
  fd_ = create_temporary(temp_, slot_);  // a fresh name, never an existing file or link
  if (fd_ < 0) {
    const int err = errno;
    temp_.clear();
    fail("cannot open (status unknown)", err);
  }
  take();
}

OutFile::~OutFile() {
  release();
  discard();
}

void OutFile::discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temp_.empty()) unlink(temp_.c_str());
  temp_.clear();
  drop_temporary(slot_);
  slot_ = -1;
}

void OutFile::fail(std::string_view error, int err) const {
  fatal(with_reason(error, err), unit_, path_, records_);
}

void OutFile::record(const Record& r) {
  put(r.str());
  put("\n");
}

void OutFile::fixed(const Layout& layout, std::span<const Item> items) {
  if (fd_ < 0) throw std::logic_error("OutFile: write after completion");
  take();
  const std::size_t from = buf_.size();
  render(layout, items, buf_);
  records_ += std::count(buf_.begin() + static_cast<std::ptrdiff_t>(from), buf_.end(), '\n');
  if (buf_.size() >= chunk) flush();
}

void OutFile::lines(std::string_view text) { put(text); }

void OutFile::put(std::string_view text) {
  if (fd_ < 0) throw std::logic_error("OutFile: write after completion");
  take();
  buf_ += text;
  records_ += std::count(text.begin(), text.end(), '\n');
  if (buf_.size() >= chunk) flush();
}

void OutFile::flush() {
  const char* p = buf_.data();
  std::size_t left = buf_.size();
  // write until the buffer is out; a write cut short by a signal goes on
  while (left > 0) {
    const ssize_t n = write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail("write error", n < 0 ? errno : EIO);
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  buf_.clear();
}

void OutFile::complete() {
  if (fd_ < 0) {
    if (temp_.empty()) throw std::logic_error("OutFile: commit twice");
    return;  // completed before
  }
  flush();
  if (fsync(fd_) != 0) fail("write error", errno);
  const int closed = close(fd_);
  fd_ = -1;
  if (closed != 0) fail("write error", errno);
}

// A directory in the target's place would make its rename fail after the
// others of a group were renamed.
void OutFile::check_replaceable() const {
  struct stat st {};
  if (lstat(path_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) fail("cannot replace the file", EISDIR);
}

void OutFile::published() {
  temp_.clear();
  drop_temporary(slot_);
  slot_ = -1;
}

void OutFile::commit() { commit_together({this}); }

void commit_together(std::span<OutFile* const> files, std::span<const std::string> stale) {
  std::vector<OutFile*> written;
  for (OutFile* f : files)
    if (f) written.push_back(f);
  // every temporary complete on the disk
  for (OutFile* f : written) f->complete();
  // every target one that a rename can replace
  for (const OutFile* f : written) f->check_replaceable();
  // then all renamed, and the stale files removed, together
  std::vector<Replacement> group;
  for (const OutFile* f : written) group.push_back({f->temp_, f->path_});
  for (const std::string& name : stale) group.push_back({"", name});
  const int failed = replace_together(group);
  if (failed >= 0) {
    const int err = errno;
    if (static_cast<std::size_t>(failed) < written.size()) written[failed]->fail("cannot replace the file", err);
    fatal(with_reason("cannot remove the file", err), written.empty() ? 0 : written[0]->unit_, stale[failed - written.size()], 0);
  }
  for (OutFile* f : written) f->published();
}

}  // namespace textio
