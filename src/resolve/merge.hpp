// The one way a member enters an object: new keys append, repeated keys are
// combined in place, and self-references receive the key's earlier value.
#pragma once

#include <string>

#include "model/value.hpp"

namespace quince {

void merge_into(Members& members, std::string key, Value value);

}  // namespace quince
