#include "leadfield/h5file.h"

#include <hdf5.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "leadfield/error.h"
#include "textio/temporaries.h"

namespace leadfield {

namespace {

// HDF5's own messages stay off the console; each failure is one line here.
void quiet() { H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr); }

// An identifier closed when it goes out of scope.
struct Id {
  Id(hid_t i, herr_t (*c)(hid_t)) : id(i), close(c) {}
  Id(const Id&) = delete;
  Id& operator=(const Id&) = delete;
  hid_t id;
  herr_t (*close)(hid_t);
  ~Id() {
    if (id >= 0) close(id);
  }
};

}  // namespace

H5Writer::H5Writer(std::string path) : path_(std::move(path)) {
  quiet();
  temp_ = path_ + ".XXXXXX";
  const int fd = textio::create_temporary(temp_, slot_);
  if (fd < 0) throw Error(path_ + ": cannot create a temporary beside it (" + std::strerror(errno) + ")");
  ::close(fd);
  file_ = H5Fcreate(temp_.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
  if (file_ < 0) {
    std::remove(temp_.c_str());
    textio::drop_temporary(slot_);
    throw Error(path_ + ": cannot write an HDF5 file there");
  }
}

H5Writer::~H5Writer() {
  if (file_ >= 0) H5Fclose(file_);
  if (!temp_.empty()) {
    std::remove(temp_.c_str());
    textio::drop_temporary(slot_);
  }
}

namespace {

void dataset(hid_t file, const std::string& path, const std::string& name, hid_t type,
             const std::vector<std::uint64_t>& dims, const void* data) {
  std::vector<hsize_t> d(dims.begin(), dims.end());
  const Id space{H5Screate_simple(static_cast<int>(d.size()), d.data(), nullptr), H5Sclose};
  const Id links{H5Pcreate(H5P_LINK_CREATE), H5Pclose};
  H5Pset_create_intermediate_group(links.id, 1);
  const Id set{H5Dcreate2(file, name.c_str(), type, space.id, links.id, H5P_DEFAULT, H5P_DEFAULT), H5Dclose};
  if (set.id < 0 || H5Dwrite(set.id, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, data) < 0)
    throw Error(path + ": cannot write the dataset " + name + " (is the disk full?)");
}

}  // namespace

void H5Writer::reals(const std::string& name, const std::vector<std::uint64_t>& dims, const double* data) {
  dataset(file_, path_, name, H5T_NATIVE_DOUBLE, dims, data);
}
void H5Writer::floats(const std::string& name, const std::vector<std::uint64_t>& dims, const float* data) {
  dataset(file_, path_, name, H5T_NATIVE_FLOAT, dims, data);
}
void H5Writer::ints(const std::string& name, const std::vector<std::uint64_t>& dims, const std::int32_t* data) {
  dataset(file_, path_, name, H5T_NATIVE_INT32, dims, data);
}

namespace {

// Variable-length UTF-8 strings, which h5py reads as str and MATLAB as text.
hid_t string_type() {
  const hid_t t = H5Tcopy(H5T_C_S1);
  H5Tset_size(t, H5T_VARIABLE);
  H5Tset_cset(t, H5T_CSET_UTF8);
  return t;
}

}  // namespace

void H5Writer::strings(const std::string& name, const std::vector<std::string>& values) {
  std::vector<const char*> p;
  for (const std::string& v : values) p.push_back(v.c_str());
  const Id t{string_type(), H5Tclose};
  dataset(file_, path_, name, t.id, {values.size()}, p.data());
}

void H5Writer::attribute(const std::string& object, const std::string& name, const std::string& value) {
  const Id t{string_type(), H5Tclose};
  const Id space{H5Screate(H5S_SCALAR), H5Sclose};
  const Id obj{H5Oopen(file_, object.c_str(), H5P_DEFAULT), H5Oclose};
  const Id a{H5Acreate2(obj.id, name.c_str(), t.id, space.id, H5P_DEFAULT, H5P_DEFAULT), H5Aclose};
  const char* p = value.c_str();
  if (a.id < 0 || H5Awrite(a.id, t.id, &p) < 0) throw Error(path_ + ": cannot write the attribute " + name);
}

void H5Writer::attribute(const std::string& object, const std::string& name, double value) {
  const Id space{H5Screate(H5S_SCALAR), H5Sclose};
  const Id obj{H5Oopen(file_, object.c_str(), H5P_DEFAULT), H5Oclose};
  const Id a{H5Acreate2(obj.id, name.c_str(), H5T_NATIVE_DOUBLE, space.id, H5P_DEFAULT, H5P_DEFAULT), H5Aclose};
  if (a.id < 0 || H5Awrite(a.id, H5T_NATIVE_DOUBLE, &value) < 0)
    throw Error(path_ + ": cannot write the attribute " + name);
}

void H5Writer::commit() {
  const herr_t closed = H5Fclose(file_);
  file_ = -1;
  if (closed < 0) throw Error(path_ + ": cannot complete the HDF5 file (is the disk full?)");
  // the whole file on the disk before it takes the target's name
  if (FILE* f = std::fopen(temp_.c_str(), "rb")) {
    fsync(fileno(f));
    std::fclose(f);
  }
  std::error_code ec;
  if (std::filesystem::is_directory(std::filesystem::symlink_status(path_, ec)))
    throw Error(path_ + ": is a directory");
  if (std::rename(temp_.c_str(), path_.c_str()) != 0)
    throw Error(path_ + ": cannot replace it (" + std::strerror(errno) + ")");
  textio::drop_temporary(slot_);
  temp_.clear();
}

H5Reader::H5Reader(const std::string& path) : path_(path) {
  quiet();
  if (!std::filesystem::is_regular_file(path)) throw Error(path + ": no such lead-field file");
  file_ = H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
  if (file_ < 0) throw Error(path + ": not an HDF5 file");
}

H5Reader::~H5Reader() {
  if (file_ >= 0) H5Fclose(file_);
}

namespace {

hid_t open_set(hid_t file, const std::string& path, const std::string& name) {
  const hid_t set = H5Lexists(file, name.c_str(), H5P_DEFAULT) > 0 ? H5Dopen2(file, name.c_str(), H5P_DEFAULT) : -1;
  if (set < 0) throw Error(path + ": no dataset " + name + " (not a lead-field file?)");
  return set;
}

template <class T>
std::vector<T> read_all(hid_t file, const std::string& path, const std::string& name, hid_t type) {
  const Id set{open_set(file, path, name), H5Dclose};
  const Id space{H5Dget_space(set.id), H5Sclose};
  std::vector<T> out(static_cast<std::size_t>(H5Sget_simple_extent_npoints(space.id)));
  if (H5Dread(set.id, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, out.data()) < 0)
    throw Error(path + ": cannot read the dataset " + name);
  return out;
}

}  // namespace

std::vector<std::uint64_t> H5Reader::dims(const std::string& name) const {
  const Id set{open_set(file_, path_, name), H5Dclose};
  const Id space{H5Dget_space(set.id), H5Sclose};
  hsize_t d[8];
  const int rank = H5Sget_simple_extent_dims(space.id, d, nullptr);
  if (rank < 0 || rank > 8) throw Error(path_ + ": unreadable dataset " + name);
  return std::vector<std::uint64_t>(d, d + rank);
}

std::vector<double> H5Reader::reals(const std::string& name) const {
  return read_all<double>(file_, path_, name, H5T_NATIVE_DOUBLE);
}
std::vector<float> H5Reader::floats(const std::string& name) const {
  return read_all<float>(file_, path_, name, H5T_NATIVE_FLOAT);
}
std::vector<std::int32_t> H5Reader::ints(const std::string& name) const {
  return read_all<std::int32_t>(file_, path_, name, H5T_NATIVE_INT32);
}

std::vector<float> H5Reader::float_row(const std::string& name, std::uint64_t k) const {
  const Id set{open_set(file_, path_, name), H5Dclose};
  const Id space{H5Dget_space(set.id), H5Sclose};
  hsize_t d[8];
  const int rank = H5Sget_simple_extent_dims(space.id, d, nullptr);
  if (rank < 1 || rank > 8 || k >= d[0]) throw Error(path_ + ": no row " + std::to_string(k) + " in " + name);
  // the hyperslab of row k, read into a block of its shape
  hsize_t start[8] = {k}, count[8];
  std::copy(d, d + rank, count);
  count[0] = 1;
  H5Sselect_hyperslab(space.id, H5S_SELECT_SET, start, nullptr, count, nullptr);
  hsize_t size = 1;
  for (int a = 1; a < rank; ++a) size *= d[a];
  const Id memory{H5Screate_simple(rank, count, nullptr), H5Sclose};
  std::vector<float> out(size);
  if (H5Dread(set.id, H5T_NATIVE_FLOAT, memory.id, space.id, H5P_DEFAULT, out.data()) < 0)
    throw Error(path_ + ": cannot read row " + std::to_string(k) + " of " + name);
  return out;
}

std::vector<std::string> H5Reader::strings(const std::string& name) const {
  const Id t{string_type(), H5Tclose};
  std::vector<char*> p = read_all<char*>(file_, path_, name, t.id);
  std::vector<std::string> out;
  for (char* s : p) out.emplace_back(s ? s : "");
  const Id set{open_set(file_, path_, name), H5Dclose};
  const Id space{H5Dget_space(set.id), H5Sclose};
  H5Dvlen_reclaim(t.id, space.id, H5P_DEFAULT, p.data());
  return out;
}

std::string H5Reader::text_attribute(const std::string& object, const std::string& name) const {
  const Id obj{H5Oopen(file_, object.c_str(), H5P_DEFAULT), H5Oclose};
  if (obj.id < 0 || H5Aexists(obj.id, name.c_str()) <= 0) throw Error(path_ + ": no attribute " + name + " of " + object);
  const Id a{H5Aopen(obj.id, name.c_str(), H5P_DEFAULT), H5Aclose};
  const Id t{string_type(), H5Tclose};
  char* p = nullptr;
  if (H5Aread(a.id, t.id, &p) < 0) throw Error(path_ + ": cannot read the attribute " + name);
  std::string out = p ? p : "";
  H5free_memory(p);
  return out;
}

}  // namespace leadfield
