// Checks of a generated model before it is written: a sound mesh, sound
// references into the tables, the capacities of the programs, and a cortex
// that lies in the tissue it is meant to sample.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "model.h"

namespace makemodel {

// Stored terms of the solver's matrix: every node's row holds the node itself
// and each neighbour it shares an element with.
std::int64_t stored_terms(const Model& model);

// Material the cortex is meant to sample at a point.
using ExpectedMaterial = std::function<int(const std::array<double, 3>& point)>;

// Throws std::runtime_error naming the first fault found: an element with a
// corner out of range, without volume or turned over (negative volume), a node
// in no element, a material or boundary code that points past its table, a
// cortical triangle out of range or without area, a cortical point outside the
// mesh, or one whose containing element or nearest element centroid (the
// element cortexmap samples) is not of the expected material. With cap, also a
// table that exceeds its capacity.
void check_model(const Model& model, const ExpectedMaterial& expected, const Capacity* cap);

}  // namespace makemodel
