// The three cortical field files: the point table, the Tecplot zone and the
// coloured PLY surface.
#pragma once

#include <array>
#include <string>

#include "cortexmap/mapstore.h"

namespace cortexmap {

// Field magnitude, current density and power density of element e scaled by
// the factor fscale (the power density twice), each rounded to 32 bits.
std::array<float, 3> scaled_values(const ElementFields& f, float fscale, std::int32_t e);

// The values sampled at point p: those of its nearest element, scaled by fscale.
std::array<float, 3> sampled_values(const MapStore& m, std::int32_t p);

// A sampled value that is not a finite 32-bit real: the first such point.
struct SampleOverflow {
  std::int32_t point;
};

// Throws SampleOverflow when a sampled value of some point is not a finite
// 32-bit real; called before the first output file is opened.
void check_samples(const MapStore& m);

// The writers of one file each; path is the file to create or replace.
void write_out(const MapStore& m, const std::string& path);  // "cortexfield.out"
void write_tec(const MapStore& m, const std::string& path);  // "cortexfield.tec"
void write_ply(const MapStore& m, const std::string& path);  // "cortexfield.ply", needs icol

// The three files of the run in dir (see file_in), replaced together or not
// at all: a failure while writing any of them leaves all three earlier files
// untouched. Needs icol.
void write_outputs(const MapStore& m, const std::string& dir);

}  // namespace cortexmap
