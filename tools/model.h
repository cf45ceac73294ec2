// The model makemodel builds: the in-memory model of the model files, and the
// capacities it must keep.
#pragma once

#include "shared/model.h"
#include "shared/model_capacity.h"

namespace makemodel {

using Model = model_files::Model;
using Capacity = model_files::Capacity;

}  // namespace makemodel
