// The five model files that both programs read: xyz.dat (nodes), elem.dat
// (tetrahedra and their materials), prop.dat (conductivities), bval.dat
// (prescribed potentials) and bcp.dat (boundary entries). The formats and the
// ranges are one; each program brings its capacities, its coordinate factor and
// its own wording of a rejected value in a ModelRules.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "textio/reader.h"

namespace model_files {

// A value that lies outside its range, handed to the program that words it.
struct OutOfRange {
  enum What {
    node_count,      // xyz.dat
    element_count,   // elem.dat
    material_count,  // prop.dat
    value_count,     // bval.dat
    entry_count,     // bcp.dat
    coordinate,      // a coordinate times the factor overflows 32 bits (found, lo, hi unused)
    corner,          // an element corner, counted from 0, that is not a node
    material,        // the material of an element
    entry_node,      // the node of a bcp.dat entry, counted from 1
    entry_code,      // a code -k with k above the prescribed-potential capacity
  } what;
  std::int32_t item;    // the node, element or entry of the value (0 for a count)
  std::int32_t found;   // the value as read
  std::int32_t lo, hi;  // the range it must lie in
};

// How a program reads the model files.
struct ModelRules {
  // Capacities: a count above its capacity is rejected, and so are materials
  // above max_materials. max_entries may be INT32_MAX (no limit).
  std::int32_t max_nodes, max_elements, max_materials, max_values, max_entries;
  // Codes below it are rejected (INT32_MIN: every code is kept).
  std::int32_t lowest_code;
  // Every coordinate is multiplied by it, each product rounded to 32 bits; with
  // check_overflow a product beyond the 32-bit range is rejected.
  float factor;
  bool check_overflow;
  // When an element's corners and an entry's node are checked: as soon as each
  // is read, or once the whole record is read. (With a bad value and a field
  // that cannot be converted on one record, the first gives a rejection and the
  // second a fatal record error.)
  bool check_as_read;
  // What a null value leaves in a coordinate, corner, material or real: the
  // value of the previous record (the values go through working variables), or
  // 0 (the values go straight into tables that are zero when the file is read).
  // The node and code of a bcp.dat entry always keep the previous entry's.
  bool null_repeats_previous;
  // Rejects a value out of range; the reader is at the value's record. Does not return.
  std::function<void(const textio::Reader&, const OutOfRange&)> reject;
};

// Each reader starts at the first record of its file.

// xyz.dat: the node count, then node i at xyz[3*i + 0..2] times the factor.
// xyz grows to hold the nodes when it is smaller. Returns the count.
std::int32_t read_nodes(textio::Reader& r, const ModelRules& rules, std::vector<float>& xyz);

// elem.dat: the element count, then element e's corners plus 1 at
// ielem[4*e + 0..3] and its material at imat[e]; both sized by the count.
// Corners must be nodes 0 .. nnode - 1. Returns the count.
std::int32_t read_elements(textio::Reader& r, const ModelRules& rules, std::int32_t nnode,
                           std::vector<std::int32_t>& ielem, std::vector<std::int32_t>& imat);

// prop.dat (count: material_count) or bval.dat (value_count): the count, then
// one real per statement into table[1 .. count]. Returns the count.
std::int32_t read_reals(textio::Reader& r, const ModelRules& rules, OutOfRange::What count,
                        std::vector<float>& table);

// bcp.dat: the entry count, then each entry (node counted from 1, code) handed
// to keep in file order. Returns the count.
std::int32_t read_entries(textio::Reader& r, const ModelRules& rules, std::int32_t nnode,
                          const std::function<void(std::int32_t node, std::int32_t code)>& keep);

}  // namespace model_files
