// The one way a member enters an object: new keys append, repeated keys are
// combined in place, and self-references receive the key's earlier value.
#pragma once

#include <string>

#include "model/budget.hpp"
#include "model/value.hpp"

namespace quince {

// Self-reference copies are charged to `budget` when one is given; once it
// is exhausted no more copies are made and the caller must fail.
void merge_into(Object& obj, Key&& key, Value&& value, Budget* budget = nullptr);

}  // namespace quince
