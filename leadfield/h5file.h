// The lead-field file in HDF5: datasets of 64-bit and 32-bit reals and 32-bit
// integers, string lists and attributes, written to a fresh temporary beside
// the target and renamed over it when complete.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace leadfield {

class H5Writer {
 public:
  // Creates the temporary beside path; throws Error when it cannot.
  explicit H5Writer(std::string path);
  // Removes the temporary unless commit() ran.
  ~H5Writer();
  H5Writer(const H5Writer&) = delete;
  H5Writer& operator=(const H5Writer&) = delete;

  // Datasets by full path ("/cortex/E"); groups are created as needed.
  void reals(const std::string& name, const std::vector<std::uint64_t>& dims, const double* data);
  void floats(const std::string& name, const std::vector<std::uint64_t>& dims, const float* data);
  void ints(const std::string& name, const std::vector<std::uint64_t>& dims, const std::int32_t* data);
  void strings(const std::string& name, const std::vector<std::string>& values);
  // Attributes of an object (a group or a dataset) already written, or "/".
  void attribute(const std::string& object, const std::string& name, const std::string& value);
  void attribute(const std::string& object, const std::string& name, double value);
  // Closes the file and renames it over the target.
  void commit();

 private:
  std::string path_, temp_;
  long long file_ = -1;
  int slot_ = -1;
};

// Reading back: the whole of a dataset or an attribute; Error names the file
// and the object when it is missing or of another shape.
class H5Reader {
 public:
  explicit H5Reader(const std::string& path);
  ~H5Reader();
  H5Reader(const H5Reader&) = delete;
  H5Reader& operator=(const H5Reader&) = delete;

  std::vector<std::uint64_t> dims(const std::string& name) const;
  std::vector<double> reals(const std::string& name) const;
  std::vector<float> floats(const std::string& name) const;
  // Row k of a dataset of 32-bit reals (all of its first index's slice k).
  std::vector<float> float_row(const std::string& name, std::uint64_t k) const;
  std::vector<std::int32_t> ints(const std::string& name) const;
  std::vector<std::string> strings(const std::string& name) const;
  std::string text_attribute(const std::string& object, const std::string& name) const;

 private:
  std::string path_;
  long long file_ = -1;
};

}  // namespace leadfield
